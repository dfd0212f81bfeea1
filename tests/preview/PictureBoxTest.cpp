#include "BmpFile.h"
#include "CPictureBox.h"
#include "ModulePicture.h"
#include "ResourceIds.h"

#include <QFile>
#include <QImage>
#include <QPalette>
#include <QTemporaryDir>

#include <gtest/gtest.h>

namespace {

const QColor kFace(10, 200, 30);

QImage RedPicture()
{
    QImage picture(ModulePicture::kPictureWidth, ModulePicture::kPictureHeight, QImage::Format_RGB32);
    picture.fill(QColor(255, 0, 0));
    return picture;
}

// A shown picture box of the given client size with a known face colour.
struct ShownBox {
    explicit ShownBox(QSize size)
    {
        QPalette palette = box.palette();
        palette.setColor(QPalette::Window, kFace);
        box.setPalette(palette);
        box.resize(size);
        box.show();
    }
    QImage Grab() { return box.grab().toImage().convertToFormat(QImage::Format_RGB32); }
    CPictureBox box;
};

}  // namespace

TEST(PictureBox, fitRuleRoundsTheScaledSize)
{
    struct Case {
        QSize picture, client, expected;
    };
    const Case cases[] = {
        {{400, 312}, {200, 200}, {200, 156}},
        {{400, 312}, {800, 300}, {385, 300}},   // 400 * 300/312 = 384.6
        {{400, 312}, {400, 312}, {400, 312}},
        {{400, 312}, {301, 1000}, {301, 235}},  // 312 * 0.7525 = 234.78
        {{400, 312}, {0, 300}, {}},
        {{0, 312}, {300, 300}, {}},
    };
    for (const Case &c : cases)
        EXPECT_EQ(CPictureBox::FitSize(c.picture, c.client), c.expected) << c.client.width() << "x"
                                                                         << c.client.height();
}

TEST(PictureBox, scaledCopyIsRebuiltOnResizeOnlyWhenItNoLongerFits)
{
    EXPECT_TRUE(CPictureBox::StillFits({200, 156}, {200, 180}));
    EXPECT_TRUE(CPictureBox::StillFits({200, 156}, {250, 156}));
    EXPECT_FALSE(CPictureBox::StillFits({200, 156}, {300, 180}));  // smaller both ways
    EXPECT_FALSE(CPictureBox::StillFits({200, 156}, {199, 180}));  // wider
    EXPECT_FALSE(CPictureBox::StillFits({200, 156}, {250, 150}));  // taller

    ShownBox shown({200, 200});
    ASSERT_TRUE(shown.box.SetBitmap(RedPicture()));
    EXPECT_EQ(shown.box.ScaledBitmap().size(), QSize(200, 156));
    shown.box.resize(200, 180);
    EXPECT_EQ(shown.box.ScaledBitmap().size(), QSize(200, 156)) << "still fits: kept";
    shown.box.resize(300, 180);
    EXPECT_EQ(shown.box.ScaledBitmap().size(), QSize(231, 180));
    shown.box.resize(100, 100);
    EXPECT_EQ(shown.box.ScaledBitmap().size(), QSize(100, 78));
    EXPECT_EQ(shown.box.FullSizeBitmap().size(), QSize(400, 312)) << "the full-size bitmap never changes";
}

TEST(PictureBox, setBitmapKeepsItsOwnCopyAtDisplayDepth)
{
    CPictureBox box;
    box.resize(400, 312);
    QImage source(400, 312, QImage::Format_Indexed8);
    source.setColorTable({qRgb(0, 0, 0), qRgb(255, 255, 255)});
    source.fill(0);
    ASSERT_TRUE(box.SetBitmap(source));
    source.fill(1);
    source.bits()[0] = 1;
    EXPECT_EQ(box.FullSizeBitmap().format(), QImage::Format_RGB32);
    EXPECT_EQ(box.FullSizeBitmap().pixel(0, 0), qRgb(0, 0, 0));
    EXPECT_EQ(box.FullSizeBitmap().pixel(399, 311), qRgb(0, 0, 0));
    EXPECT_EQ(box.HeldBitsPerPixel(), 32);

    QImage same = RedPicture();
    box.SetBitmap(same);
    same.setPixel(5, 5, qRgb(0, 0, 255));
    EXPECT_EQ(box.FullSizeBitmap().pixel(5, 5), qRgb(255, 0, 0));

    EXPECT_FALSE(box.SetBitmap(QImage()));
    EXPECT_TRUE(box.FullSizeBitmap().isNull());
    EXPECT_TRUE(box.ScaledBitmap().isNull());
}

TEST(PictureBox, paintInsetsThePictureOnABlackBorderWithAGreyOutline)
{
    // Wide client: the face colour fills the right; tall client: the bottom.
    struct Case {
        QSize client, scaled;
    };
    const Case cases[] = {{{500, 312}, {400, 312}}, {{300, 400}, {300, 234}}};
    for (const Case &c : cases) {
        ShownBox shown(c.client);
        shown.box.SetBitmap(RedPicture());
        ASSERT_EQ(shown.box.ScaledBitmap().size(), c.scaled);
        const QImage image = shown.Grab();
        ASSERT_EQ(image.size(), c.client);
        const int w = c.scaled.width();
        const int h = c.scaled.height();
        const int left = w / 20;
        const int top = h / 16;
        const QRgb grey = qRgb(128, 128, 128);
        EXPECT_EQ(image.pixel(0, 0), qRgb(0, 0, 0));
        EXPECT_EQ(image.pixel(left - 1, h / 2), qRgb(0, 0, 0));
        EXPECT_EQ(image.pixel(w - 1, h - 1), qRgb(0, 0, 0));
        EXPECT_EQ(image.pixel(left, h / 2), grey) << "left outline";
        EXPECT_EQ(image.pixel(w - left, h / 2), grey) << "right outline";
        EXPECT_EQ(image.pixel(w / 2, top), grey) << "top outline";
        EXPECT_EQ(image.pixel(w / 2, h - top), grey) << "bottom outline";
        EXPECT_EQ(image.pixel(w / 2, h / 2), qRgb(255, 0, 0)) << "the picture";
        EXPECT_EQ(image.pixel(left + 1, top + 1), qRgb(255, 0, 0));
        if (w < c.client.width()) {
            EXPECT_EQ(image.pixel(w, 0), kFace.rgb());
        }
        if (h < c.client.height()) {
            EXPECT_EQ(image.pixel(0, h), kFace.rgb());
        }
        EXPECT_EQ(image.pixel(c.client.width() - 1, c.client.height() - 1), kFace.rgb());
    }
}

TEST(PictureBox, emptyBoxPaintsOnlyTheFaceColour)
{
    ShownBox shown({120, 90});
    const QImage image = shown.Grab();
    for (const QPoint p : {QPoint(0, 0), QPoint(60, 45), QPoint(119, 89)})
        EXPECT_EQ(image.pixel(p), kFace.rgb());
}

TEST(PictureBox, unreadableFileLeavesTheBoxEmpty)
{
    QTemporaryDir dir;
    const QString path = dir.filePath(QStringLiteral("broken.bmp"));
    {
        QFile file(path);
        ASSERT_TRUE(file.open(QIODevice::WriteOnly));
        file.write("BM this is not a picture");
    }
    for (const QString &bad : {path, dir.filePath(QStringLiteral("missing.bmp"))}) {
        CPictureBox box;
        box.resize(200, 200);
        ASSERT_TRUE(box.SetBitmap(RedPicture()));
        EXPECT_FALSE(box.LoadFromFile(bad));
        EXPECT_TRUE(box.FullSizeBitmap().isNull());
        EXPECT_TRUE(box.ScaledBitmap().isNull());
        EXPECT_EQ(box.HeldBitsPerPixel(), 0);
        ModulePicture::Buffer buffer;
        buffer.fill(0xAA);
        box.ToModulePicture(buffer, false);
        EXPECT_EQ(buffer, ModulePicture::Buffer{});
        EXPECT_FALSE(box.SaveToFile(dir.filePath(QStringLiteral("out.bmp"))));
        EXPECT_FALSE(QFile::exists(dir.filePath(QStringLiteral("out.bmp"))));
    }
}

TEST(PictureBox, loadedFileKeepsItsDepthThroughConversionAndSave)
{
    QTemporaryDir dir;
    // A 4-bit file whose index 1 is white: drawn by colour.
    QImage fourBit(400, 312, QImage::Format_Indexed8);
    fourBit.setColorTable({qRgb(0, 0, 0), qRgb(255, 255, 255)});
    fourBit.fill(0);
    fourBit.setPixel(0, 0, 1);
    const QString fourPath = dir.filePath(QStringLiteral("four.bmp"));
    ASSERT_TRUE(Bmp::SaveBmpFile(fourBit, fourPath, 4));

    CPictureBox box;
    box.resize(200, 200);
    ASSERT_TRUE(box.LoadFromFile(fourPath));
    EXPECT_EQ(box.HeldBitsPerPixel(), 4);
    EXPECT_EQ(box.ScaledBitmap().size(), QSize(200, 156));
    ModulePicture::Buffer buffer{};
    box.ToModulePicture(buffer, false);
    EXPECT_EQ(buffer[0], 0x01);
    int nonZero = 0;
    for (auto b : buffer)
        nonZero += b != 0;
    EXPECT_EQ(nonZero, 1) << "index 0 is black: background";

    // Saved again it stays a 4-bit file with the same pixels.
    const QString again = dir.filePath(QStringLiteral("again.bmp"));
    ASSERT_TRUE(box.SaveToFile(again));
    int bits = 0;
    const QImage reloaded = Bmp::LoadBmpFile(again, &bits);
    EXPECT_EQ(bits, 4);
    EXPECT_EQ(reloaded.pixel(0, 0), qRgb(255, 255, 255));
    EXPECT_EQ(reloaded.pixel(1, 0), qRgb(0, 0, 0));

    box.Clear(true);
    EXPECT_TRUE(box.FullSizeBitmap().isNull());
    EXPECT_TRUE(box.ScaledBitmap().isNull());
}

TEST(PictureBox, resourcesAreHeldAtDisplayDepth)
{
    CPictureBox box;
    box.resize(400, 312);
    for (int id : {Ids::BITMAP_NOTE, Ids::BITMAP_NOTE_MIRRORED, Ids::BITMAP_WARNING}) {
        ASSERT_TRUE(box.LoadFromResource(id)) << id;
        EXPECT_EQ(box.FullSizeBitmap().size(), QSize(400, 312)) << id;
        EXPECT_EQ(box.FullSizeBitmap().format(), QImage::Format_RGB32) << id;
        EXPECT_EQ(box.HeldBitsPerPixel(), 32);
    }
    ASSERT_TRUE(box.LoadFromResource(Ids::BITMAP_PARKING_SCALE));
    EXPECT_EQ(box.FullSizeBitmap().size(), QSize(240, 32));
    EXPECT_FALSE(box.LoadFromResource(9999));
    EXPECT_TRUE(box.FullSizeBitmap().isNull());

    // The note and its mirror image are left-right reversed copies.
    ASSERT_TRUE(box.LoadFromResource(Ids::BITMAP_NOTE));
    const QImage note = box.FullSizeBitmap();
    ASSERT_TRUE(box.LoadFromResource(Ids::BITMAP_NOTE_MIRRORED));
    EXPECT_EQ(box.FullSizeBitmap(), note.mirrored(true, false));
    EXPECT_NE(box.FullSizeBitmap(), note);
}
