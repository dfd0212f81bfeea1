// Draws the program's bitmap resources into PNG files:
//   176  note to the buyer, white text on black, 400 x 312
//   178  the same note mirrored left to right
//   181  parking-sensor indicator strip, 240 x 32, 24-bit, white on black
//   184  warning picture, 400 x 312, 8-bit grey palette
// Everything is drawn without anti-aliasing: the module shows pictures at
// 1 bit per pixel. Usage: make-bitmaps <output folder>

#include <QDir>
#include <QFont>
#include <QFontMetrics>
#include <QGuiApplication>
#include <QImage>
#include <QPainter>
#include <QStringList>

#include <cstdio>

namespace {

constexpr int kPictureWidth = 400;
constexpr int kPictureHeight = 312;
// Support address on the note to the buyer.
const char *const kSupportAddress = "support@tarvello.ru";

// Grey levels of the warning picture, and the palette index of its background:
// the 8-bit conversion into the module picture treats index 252 as background.
constexpr int kWarningBackground = 12;
constexpr int kWarningText = 240;
constexpr int kBackgroundIndex = 252;

struct Line {
    QString text;
    int pixelSize;
    bool bold;
};

QFont LabelFont(int pixelSize, bool bold)
{
    QFont font(QStringLiteral("DejaVu Sans"));
    font.setPixelSize(pixelSize);
    font.setBold(bold);
    font.setStyleStrategy(QFont::NoAntialias);
    return font;
}

// Draws lines centred horizontally, the whole block centred vertically.
void DrawCentredLines(QPainter &painter, QSize size, const QList<Line> &lines, int gap)
{
    int total = 0;
    for (const Line &line : lines)
        total += QFontMetrics(LabelFont(line.pixelSize, line.bold)).height() + gap;
    total -= gap;
    int y = (size.height() - total) / 2;
    for (const Line &line : lines) {
        const QFont font = LabelFont(line.pixelSize, line.bold);
        const QFontMetrics metrics(font);
        painter.setFont(font);
        painter.drawText(QRect(0, y, size.width(), metrics.height()), Qt::AlignHCenter | Qt::AlignTop,
                         line.text);
        y += metrics.height() + gap;
    }
}

QImage BlackCanvas(int width, int height)
{
    QImage image(width, height, QImage::Format_RGB32);
    image.fill(Qt::black);
    return image;
}

QImage NoteToBuyer()
{
    QImage image = BlackCanvas(kPictureWidth, kPictureHeight);
    QPainter painter(&image);
    painter.setPen(Qt::white);
    DrawCentredLines(painter, image.size(),
                     {{QStringLiteral("Уважаемый покупатель!"), 24, true},
                      {QString(), 10, false},
                      {QStringLiteral("Настройте систему Tarvello"), 20, false},
                      {QStringLiteral("так, как описано"), 20, false},
                      {QStringLiteral("в руководстве по установке."), 20, false},
                      {QString(), 10, false},
                      {QStringLiteral("Вопросы по настройке:"), 18, false},
                      {QString::fromLatin1(kSupportAddress), 18, false}},
                     4);
    return image;
}

// A bar scale at each end, bars growing towards the outer edge, a short line
// from each scale towards the middle, and "1.0" in the middle.
QImage ParkingScale()
{
    constexpr int width = 240;
    constexpr int height = 32;
    QImage image = BlackCanvas(width, height);
    QPainter painter(&image);
    painter.setRenderHint(QPainter::Antialiasing, false);
    constexpr int bars = 5;
    constexpr int barWidth = 4;
    constexpr int barStep = 7;
    constexpr int middle = height / 2;
    for (int i = 0; i < bars; ++i) {
        // Bar i counts from the outer edge: the outermost is the tallest.
        const int barHeight = 28 - 5 * i;
        const int top = middle - barHeight / 2;
        const int leftX = 2 + i * barStep;
        const int rightX = width - 2 - barWidth - i * barStep;
        painter.fillRect(leftX, top, barWidth, barHeight, Qt::white);
        painter.fillRect(rightX, top, barWidth, barHeight, Qt::white);
    }
    const int innerLeft = 2 + (bars - 1) * barStep + barWidth;
    const int innerRight = width - innerLeft;
    constexpr int lineLength = 40;
    painter.fillRect(innerLeft + 4, middle - 1, lineLength, 2, Qt::white);
    painter.fillRect(innerRight - 4 - lineLength, middle - 1, lineLength, 2, Qt::white);
    painter.setPen(Qt::white);
    painter.setFont(LabelFont(30, true));
    painter.drawText(QRect(0, 0, width, height), Qt::AlignCenter, QStringLiteral("1.0"));
    painter.end();
    return image.convertToFormat(QImage::Format_RGB888);
}

QImage WarningPicture()
{
    QImage image = BlackCanvas(kPictureWidth, kPictureHeight);
    image.fill(QColor(kWarningBackground, kWarningBackground, kWarningBackground));
    {
        QPainter painter(&image);
        painter.setPen(QColor(kWarningText, kWarningText, kWarningText));
        DrawCentredLines(painter, image.size(),
                         {{QStringLiteral("Внимание!"), 36, true},
                          {QString(), 8, false},
                          {QStringLiteral("Перед началом движения"), 22, false},
                          {QStringLiteral("убедитесь в безопасности"), 22, false},
                          {QStringLiteral("выполняемого манёвра."), 22, false}},
                         6);
    }
    // Grey palette: index i is grey i, except that the background sits at 252.
    QList<QRgb> palette;
    for (int i = 0; i < 256; ++i)
        palette.append(qRgb(i, i, i));
    palette[kBackgroundIndex] = qRgb(kWarningBackground, kWarningBackground, kWarningBackground);
    QImage indexed(image.size(), QImage::Format_Indexed8);
    indexed.setColorTable(palette);
    for (int y = 0; y < image.height(); ++y) {
        const auto *src = reinterpret_cast<const QRgb *>(image.constScanLine(y));
        uchar *dst = indexed.scanLine(y);
        for (int x = 0; x < image.width(); ++x) {
            const int grey = qGray(src[x]);
            dst[x] = static_cast<uchar>(grey == kWarningBackground ? kBackgroundIndex : grey);
        }
    }
    return indexed;
}

bool Save(const QImage &image, const QDir &dir, int id)
{
    const QString path = dir.filePath(QStringLiteral("%1.png").arg(id));
    if (!image.save(path, "PNG")) {
        std::fprintf(stderr, "cannot write %s\n", qPrintable(path));
        return false;
    }
    std::printf("%s %dx%d\n", qPrintable(path), image.width(), image.height());
    return true;
}

}  // namespace

int main(int argc, char **argv)
{
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM"))
        qputenv("QT_QPA_PLATFORM", "offscreen");
    QGuiApplication app(argc, argv);
    const QStringList args = app.arguments();
    if (args.size() != 2) {
        std::fprintf(stderr, "usage: make-bitmaps <output folder>\n");
        return 2;
    }
    const QDir dir(args[1]);
    const QImage note = NoteToBuyer();
    const bool ok = Save(note, dir, 176) && Save(note.mirrored(true, false), dir, 178)
        && Save(ParkingScale(), dir, 181) && Save(WarningPicture(), dir, 184);
    return ok ? 0 : 1;
}
