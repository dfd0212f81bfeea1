#include "CMetafileBox.h"

#include <QFile>
#include <QImage>
#include <QTemporaryDir>

#include <gtest/gtest.h>

namespace {

// A drawing that is red all over, 4:3.
const char kRedSvg[] = R"(<svg xmlns="http://www.w3.org/2000/svg" width="400" height="300" viewBox="0 0 400 300">
<rect x="0" y="0" width="400" height="300" fill="#ff0000"/></svg>)";

QString Write(const QTemporaryDir &dir, const QString &name, const QByteArray &bytes)
{
    const QString path = dir.filePath(name);
    QFile file(path);
    EXPECT_TRUE(file.open(QIODevice::WriteOnly));
    file.write(bytes);
    return path;
}

QImage Grab(CMetafileBox &box)
{
    return box.grab().toImage().convertToFormat(QImage::Format_RGB32);
}

const QRgb kWhite = qRgb(255, 255, 255);
const QRgb kRed = qRgb(255, 0, 0);

}  // namespace

TEST(MetafileBox, pictureRectangleIsTheCentredFourByThreeRectangle)
{
    struct Case {
        QSize client;
        QRect expected;
    };
    const Case cases[] = {
        {{400, 600}, {0, 150, 400, 300}},   // tall: full width, centred vertically
        {{800, 300}, {200, 0, 400, 300}},   // wide: full height, centred horizontally
        {{401, 301}, {0, 0, 400, 301}},     // w/4 == h/3: full height
        {{403, 700}, {0, 200, 403, 300}},   // integer division: 3 * (403 / 4) = 300
        {{0, 0}, {0, 0, 0, 0}},
    };
    for (const Case &c : cases)
        EXPECT_EQ(CMetafileBox::PictureRect(c.client), c.expected) << c.client.width() << "x" << c.client.height();
}

TEST(MetafileBox, drawingFillsOnlyItsRectangleOnWhite)
{
    QTemporaryDir dir;
    const QString path = Write(dir, QStringLiteral("red.svg"), kRedSvg);
    struct Case {
        QSize client;
        QPoint inside, outside;
    };
    const Case cases[] = {
        {{400, 600}, {200, 300}, {200, 100}},
        {{800, 300}, {400, 150}, {100, 150}},
    };
    for (const Case &c : cases) {
        CMetafileBox box;
        box.resize(c.client);
        ASSERT_TRUE(box.LoadFile(path));
        ASSERT_TRUE(box.HasPicture());
        const QImage image = Grab(box);
        EXPECT_EQ(image.pixel(c.inside), kRed);
        EXPECT_EQ(image.pixel(c.outside), kWhite);
        const QRect r = CMetafileBox::PictureRect(c.client);
        EXPECT_EQ(image.pixel(r.left() + 2, r.top() + 2), kRed);
        EXPECT_EQ(image.pixel(r.right() - 2, r.bottom() - 2), kRed);
    }
}

TEST(MetafileBox, invalidDrawingLoadsNothingAndLeavesWhite)
{
    QTemporaryDir dir;
    const QString red = Write(dir, QStringLiteral("red.svg"), kRedSvg);
    const QString bad = Write(dir, QStringLiteral("bad.svg"), "this is no drawing <svg");
    CMetafileBox box;
    box.resize(160, 120);
    ASSERT_TRUE(box.LoadFile(red));
    EXPECT_TRUE(box.LoadFile(bad)) << "a bad drawing still reports success";
    EXPECT_FALSE(box.HasPicture()) << "and drops the old one";
    const QImage image = Grab(box);
    for (const QPoint p : {QPoint(0, 0), QPoint(80, 60), QPoint(159, 119)})
        EXPECT_EQ(image.pixel(p), kWhite);

    EXPECT_FALSE(box.LoadFile(dir.filePath(QStringLiteral("missing.svg"))));
    EXPECT_FALSE(box.HasPicture());
    EXPECT_FALSE(box.LoadResource(1)) << "no such illustration";
}
