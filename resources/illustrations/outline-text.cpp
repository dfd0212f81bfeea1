// outline-text: copies an SVG drawing, replacing every <text> element with a
// <path> of the same glyph outlines, so that showing the drawing needs no font
// lookup, font loading or shaping. Everything outside the <text> elements is
// copied byte for byte; a comment naming the source goes before the root.
//
// usage: outline-text SOURCE.svg OUTPUT.svg
//
// Supported <text>: one x and one y, plain character data (no child elements),
// font-family, font-size (px, pt or plain user units), font-weight (normal,
// bold, 100-900), font-style, text-anchor and xml:space, set on the element or
// inherited from its ancestors. Every other attribute of the <text> (fill,
// transform, opacity, id, ...) moves to the <path> unchanged. Anything else
// that would change the text's geometry stops the run with a message, rather
// than writing a drawing that looks different from its source.

#include <QFile>
#include <QFont>
#include <QFontInfo>
#include <QFontMetricsF>
#include <QGuiApplication>
#include <QHash>
#include <QPainterPath>
#include <QSaveFile>
#include <QStringList>
#include <QTransform>
#include <QXmlStreamReader>

#include <cmath>
#include <cstdio>
#include <optional>
#include <stdexcept>
#include <vector>

namespace {

const QString kSvgNamespace = QStringLiteral("http://www.w3.org/2000/svg");

// The outlines are laid out at this pixel size and scaled down: unhinted
// advances and outlines scale linearly, so this keeps fractional font sizes
// exact and the 1/64 px layout grid far below the 0.1 unit output grid.
constexpr int kLayoutPixelSize = 1000;

class Failure : public std::runtime_error {
public:
    using std::runtime_error::runtime_error;
};

[[noreturn]] void Fail(const QString &message) { throw Failure(message.toStdString()); }

// Inheritable text properties as written in the drawing (attribute values).
using TextProperties = QHash<QString, QString>;

const QStringList kInheritedTextAttributes = {
    QStringLiteral("font-family"), QStringLiteral("font-size"), QStringLiteral("font-weight"),
    QStringLiteral("font-style"),  QStringLiteral("text-anchor"), QStringLiteral("xml:space"),
};

// Attributes that would change the geometry in ways this tool does not
// reproduce; meeting one is an error.
const QStringList kUnsupportedTextAttributes = {
    QStringLiteral("dx"), QStringLiteral("dy"), QStringLiteral("rotate"), QStringLiteral("textLength"),
    QStringLiteral("lengthAdjust"), QStringLiteral("letter-spacing"), QStringLiteral("word-spacing"),
    QStringLiteral("font-variant"), QStringLiteral("font-stretch"), QStringLiteral("font"),
    QStringLiteral("text-decoration"), QStringLiteral("writing-mode"), QStringLiteral("direction"),
    QStringLiteral("unicode-bidi"), QStringLiteral("baseline-shift"), QStringLiteral("dominant-baseline"),
    QStringLiteral("alignment-baseline"),
};

double ParseNumber(const QString &text, const QString &what)
{
    bool ok = false;
    const double value = text.trimmed().toDouble(&ok);
    if (!ok || !std::isfinite(value))
        Fail(QStringLiteral("%1: \"%2\" is not a number").arg(what, text));
    return value;
}

// Font size in user units.
double ParseFontSize(const QString &text)
{
    QString value = text.trimmed();
    double factor = 1.0;
    if (value.endsWith(QLatin1String("px"))) {
        value.chop(2);
    } else if (value.endsWith(QLatin1String("pt"))) {
        value.chop(2);
        factor = 1.25;  // 90 user units per inch, as the Qt SVG renderer counts
    } else if (!value.isEmpty() && !value.back().isDigit() && value.back() != QLatin1Char('.')) {
        Fail(QStringLiteral("font-size \"%1\": only px, pt or plain numbers are supported").arg(text));
    }
    const double size = ParseNumber(value, QStringLiteral("font-size")) * factor;
    if (size <= 0.0)
        Fail(QStringLiteral("font-size \"%1\" is not positive").arg(text));
    return size;
}

int ParseFontWeight(const QString &text)
{
    const QString value = text.trimmed();
    if (value == QLatin1String("normal"))
        return QFont::Normal;
    if (value == QLatin1String("bold"))
        return QFont::Bold;
    bool ok = false;
    const int weight = value.toInt(&ok);
    if (ok && weight >= 100 && weight <= 900 && weight % 100 == 0)
        return weight;  // Qt 6 weights are the CSS numbers
    Fail(QStringLiteral("font-weight \"%1\" is not supported").arg(text));
}

QFont::Style ParseFontStyle(const QString &text)
{
    const QString value = text.trimmed();
    if (value == QLatin1String("normal"))
        return QFont::StyleNormal;
    if (value == QLatin1String("italic"))
        return QFont::StyleItalic;
    if (value == QLatin1String("oblique"))
        return QFont::StyleOblique;
    Fail(QStringLiteral("font-style \"%1\" is not supported").arg(text));
}

// The glyph outlines of one <text>, in the text's own user units.
QPainterPath OutlineText(const QString &content, QPointF baselineStart, const TextProperties &properties)
{
    const QString family = properties.value(QStringLiteral("font-family")).trimmed().remove(QLatin1Char('\'')).remove(QLatin1Char('"'));
    if (family.isEmpty() || family.contains(QLatin1Char(',')))
        Fail(QStringLiteral("font-family \"%1\": name exactly one installed family").arg(family));
    const double size = ParseFontSize(properties.value(QStringLiteral("font-size"), QStringLiteral("16")));

    QFont font(family);
    font.setPixelSize(kLayoutPixelSize);
    font.setWeight(QFont::Weight(ParseFontWeight(properties.value(QStringLiteral("font-weight"), QStringLiteral("normal")))));
    font.setStyle(ParseFontStyle(properties.value(QStringLiteral("font-style"), QStringLiteral("normal"))));
    font.setHintingPreference(QFont::PreferNoHinting);
    font.setKerning(true);
    const QFontInfo resolved(font);
    if (resolved.family().compare(family, Qt::CaseInsensitive) != 0)
        Fail(QStringLiteral("font \"%1\" is not installed (the system offers \"%2\" instead)").arg(family, resolved.family()));

    // Whitespace as an SVG renderer treats it: collapsed unless preserved.
    QString text = content;
    if (properties.value(QStringLiteral("xml:space")) == QLatin1String("preserve")) {
        text.replace(QLatin1Char('\t'), QLatin1Char(' ')).replace(QLatin1Char('\n'), QLatin1Char(' '));
        text.remove(QLatin1Char('\r'));
    } else {
        text = text.simplified();
    }

    QPainterPath path;
    path.addText(QPointF(0, 0), font, text);
    // The anchor moves the text by its advance width, not by its ink.
    const double width = QFontMetricsF(font).horizontalAdvance(text);
    const QString anchor = properties.value(QStringLiteral("text-anchor"), QStringLiteral("start")).trimmed();
    double shift = 0.0;
    if (anchor == QLatin1String("middle"))
        shift = -width / 2.0;
    else if (anchor == QLatin1String("end"))
        shift = -width;
    else if (anchor != QLatin1String("start"))
        Fail(QStringLiteral("text-anchor \"%1\" is not supported").arg(anchor));

    const double scale = size / kLayoutPixelSize;
    QTransform toUser;
    toUser.translate(baselineStart.x(), baselineStart.y());
    toUser.scale(scale, scale);
    toUser.translate(shift, 0.0);
    return toUser.map(path);
}

// Path data on a 0.1 unit grid, relative commands, letters only where the
// command changes; closed contours end in z.
class PathDataWriter {
public:
    QString Write(const QPainterPath &path)
    {
        out_.clear();
        current_ = {0, 0};
        last_ = QChar();
        std::vector<Point> contour;
        std::vector<Segment> segments;
        for (int i = 0; i < path.elementCount(); ++i) {
            const QPainterPath::Element e = path.elementAt(i);
            if (e.isMoveTo()) {
                Flush(segments);
                segments.push_back({Segment::Move, {Grid(e)}});
            } else if (e.isLineTo()) {
                segments.push_back({Segment::Line, {Grid(e)}});
            } else if (e.isCurveTo()) {
                if (i + 2 >= path.elementCount())
                    Fail(QStringLiteral("truncated curve in glyph outline"));
                const QPointF p0 = i > 0 ? QPointF(path.elementAt(i - 1)) : QPointF();
                const QPointF c1 = e, c2 = path.elementAt(i + 1), p3 = path.elementAt(i + 2);
                // Font outlines are mostly quadratic; Qt hands them over as
                // cubics with control points two thirds of the way to the
                // quadratic one. Write those back as the shorter Q.
                const QPointF q1 = (3 * c1 - p0) / 2, q2 = (3 * c2 - p3) / 2;
                if (std::hypot(q1.x() - q2.x(), q1.y() - q2.y()) < 1e-3)
                    segments.push_back({Segment::Quad, {Grid((q1 + q2) / 2), Grid(p3)}});
                else
                    segments.push_back({Segment::Cubic, {Grid(c1), Grid(c2), Grid(p3)}});
                i += 2;
            }
        }
        Flush(segments);
        return out_;
    }

private:
    struct Point {
        long long x, y;  // tenths of a unit
        bool operator==(const Point &) const = default;
    };
    struct Segment {
        enum Kind { Move, Line, Quad, Cubic } kind;
        std::vector<Point> points;
        Point end() const { return points.back(); }
    };

    static Point Grid(QPointF p) { return {std::llround(p.x() * 10), std::llround(p.y() * 10)}; }

    // Writes one contour (a Move and what follows it).
    void Flush(std::vector<Segment> &segments)
    {
        if (segments.empty())
            return;
        const Point start = segments.front().end();
        // Drop what the grid has flattened to nothing.
        std::vector<Segment> kept{segments.front()};
        for (size_t i = 1; i < segments.size(); ++i) {
            const Segment &s = segments[i];
            const Point from = kept.back().end();
            bool degenerate = true;
            for (const Point &p : s.points)
                degenerate = degenerate && p == from;
            if (!degenerate)
                kept.push_back(s);
        }
        segments.clear();
        if (kept.size() < 2)
            return;
        // A contour ending on its start is closed; its last straight edge is
        // implied by z.
        const bool closed = kept.back().end() == start;
        if (closed && kept.back().kind == Segment::Line)
            kept.pop_back();
        if (kept.size() < 2)
            return;

        for (const Segment &s : kept) {
            const Point origin = current_;
            switch (s.kind) {
            case Segment::Move:
                Command(QLatin1Char('m'));
                Pair(s.points[0], origin);
                last_ = QLatin1Char('l');  // pairs after m are lines
                break;
            case Segment::Line:
                if (s.end().y == origin.y) {
                    Command(QLatin1Char('h'));
                    Number(s.end().x - origin.x);
                } else if (s.end().x == origin.x) {
                    Command(QLatin1Char('v'));
                    Number(s.end().y - origin.y);
                } else {
                    Command(QLatin1Char('l'));
                    Pair(s.end(), origin);
                }
                break;
            case Segment::Quad:
                Command(QLatin1Char('q'));
                for (const Point &p : s.points)
                    Pair(p, origin);
                break;
            case Segment::Cubic:
                Command(QLatin1Char('c'));
                for (const Point &p : s.points)
                    Pair(p, origin);
                break;
            }
            current_ = s.end();
        }
        if (closed) {
            out_ += QLatin1Char('z');
            last_ = QLatin1Char('z');
            current_ = start;
        }
    }

    void Command(QChar letter)
    {
        if (letter != last_ || letter == QLatin1Char('z'))
            out_ += letter;
        last_ = letter;
    }

    void Pair(Point p, Point origin)
    {
        Number(p.x - origin.x);
        Number(p.y - origin.y);
    }

    // Shortest form: no leading zero, no separator before a minus sign or
    // before a fraction that follows a number which already has one.
    void Number(long long tenths)
    {
        const long long magnitude = tenths < 0 ? -tenths : tenths;
        QString text;
        if (tenths < 0)
            text += QLatin1Char('-');
        if (magnitude / 10 != 0 || magnitude % 10 == 0)
            text += QString::number(magnitude / 10);
        if (magnitude % 10 != 0)
            text += QLatin1Char('.') + QString::number(magnitude % 10);
        const bool afterLetter = out_.isEmpty() || out_.back().isLetter();
        const bool joinsByDot = text.startsWith(QLatin1Char('.')) && lastNumberHasDot_;
        if (!afterLetter && !text.startsWith(QLatin1Char('-')) && !joinsByDot)
            out_ += QLatin1Char(' ');
        out_ += text;
        lastNumberHasDot_ = text.contains(QLatin1Char('.'));
    }

    QString out_;
    Point current_{0, 0};
    QChar last_;
    bool lastNumberHasDot_ = false;
};

QString Escaped(const QString &value)
{
    QString out = value.toHtmlEscaped();  // & < > "
    out.replace(QLatin1Char('\n'), QLatin1String("&#10;"));
    return out;
}

// The start of the markup whose '>' ends right before endOffset: '<' cannot
// occur inside attribute values, so the last '<' before it opens the tag.
qsizetype TagStart(const QString &source, qsizetype endOffset)
{
    return source.lastIndexOf(QLatin1Char('<'), endOffset - 1);
}

QString Convert(const QString &source, const QString &sourceName)
{
    struct Replacement {
        qsizetype from, to;
        QString text;
    };
    std::vector<Replacement> replacements;
    std::vector<TextProperties> inherited{TextProperties()};

    QXmlStreamReader xml(source);
    bool rootSeen = false;
    while (!xml.atEnd()) {
        xml.readNext();
        if (xml.isEndElement()) {
            inherited.pop_back();
            continue;
        }
        if (!xml.isStartElement())
            continue;
        const QXmlStreamAttributes attributes = xml.attributes();
        TextProperties properties = inherited.back();
        for (const QString &name : kInheritedTextAttributes) {
            if (attributes.hasAttribute(name))
                properties.insert(name, attributes.value(name).toString());
        }
        const QString style = attributes.value(QStringLiteral("style")).toString();
        if (style.contains(QLatin1String("font")) || style.contains(QLatin1String("text-")))
            Fail(QStringLiteral("line %1: text properties inside style=\"\" are not supported").arg(xml.lineNumber()));
        const qsizetype tagEnd = xml.characterOffset();
        if (!rootSeen) {
            rootSeen = true;
            const qsizetype rootStart = TagStart(source, tagEnd);
            replacements.push_back({rootStart, rootStart,
                                    QStringLiteral("<!-- Generated by outline-text.sh from %1: its texts as glyph "
                                                   "outlines. Edit the source and rerun. -->\n")
                                        .arg(sourceName)});
        }
        if (xml.namespaceUri() != kSvgNamespace || xml.name() != QLatin1String("text")) {
            inherited.push_back(properties);
            continue;
        }

        const qlonglong line = xml.lineNumber();
        const qsizetype from = TagStart(source, tagEnd);
        if (!QStringView(source).mid(from).startsWith(QLatin1String("<text")))
            Fail(QStringLiteral("line %1: cannot locate the <text> start tag").arg(line));
        for (const QString &name : kUnsupportedTextAttributes) {
            if (attributes.hasAttribute(name))
                Fail(QStringLiteral("line %1: %2 on <text> is not supported").arg(line).arg(name));
        }
        const auto coordinate = [&](const QString &name) {
            const QString value = attributes.value(name).toString().trimmed();
            if (value.isEmpty())
                return 0.0;
            if (value.contains(QLatin1Char(' ')) || value.contains(QLatin1Char(',')))
                Fail(QStringLiteral("line %1: a list of %2 positions is not supported").arg(line).arg(name));
            return ParseNumber(value, QStringLiteral("line %1: %2").arg(line).arg(name));
        };
        const QPointF at(coordinate(QStringLiteral("x")), coordinate(QStringLiteral("y")));

        QString content;
        while (xml.readNext() != QXmlStreamReader::EndElement) {
            if (xml.isCharacters())
                content += xml.text();
            else if (xml.isStartElement())
                Fail(QStringLiteral("line %1: <%2> inside <text> is not supported").arg(xml.lineNumber()).arg(xml.name()));
            else if (xml.hasError())
                break;
        }
        if (xml.hasError())
            break;
        const qsizetype to = xml.characterOffset();

        QPainterPath outline;
        try {
            outline = OutlineText(content, at, properties);
        } catch (const Failure &failure) {
            Fail(QStringLiteral("line %1: %2").arg(line).arg(QString::fromStdString(failure.what())));
        }
        QString element = QStringLiteral("<path d=\"%1\"").arg(PathDataWriter().Write(outline));
        for (const QXmlStreamAttribute &attribute : attributes) {
            const QString name = attribute.qualifiedName().toString();
            if (name == QLatin1String("x") || name == QLatin1String("y") || kInheritedTextAttributes.contains(name))
                continue;
            element += QStringLiteral(" %1=\"%2\"").arg(name, Escaped(attribute.value().toString()));
        }
        element += QStringLiteral("/>");
        replacements.push_back({from, to, element});
    }
    if (xml.hasError())
        Fail(QStringLiteral("line %1: %2").arg(xml.lineNumber()).arg(xml.errorString()));
    if (!rootSeen)
        Fail(QStringLiteral("no root element"));

    QString result;
    qsizetype copied = 0;
    for (const Replacement &r : replacements) {
        result += QStringView(source).mid(copied, r.from - copied);
        result += r.text;
        copied = r.to;
    }
    result += QStringView(source).mid(copied);
    return result;
}

} // namespace

int main(int argc, char **argv)
{
    // Fonts need a GUI application; no window is ever shown.
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM"))
        qputenv("QT_QPA_PLATFORM", "offscreen");
    QGuiApplication app(argc, argv);
    const QStringList args = app.arguments();
    if (args.size() != 3) {
        std::fprintf(stderr, "usage: outline-text SOURCE.svg OUTPUT.svg\n");
        return 2;
    }
    const QString sourcePath = args.at(1), outputPath = args.at(2);
    try {
        QFile in(sourcePath);
        if (!in.open(QIODevice::ReadOnly))
            Fail(QStringLiteral("cannot read: %1").arg(in.errorString()));
        const QByteArray bytes = in.readAll();
        // Offsets into the decoded text map back to the file only if the
        // decoding is lossless.
        const QString source = QString::fromUtf8(bytes);
        if (source.toUtf8() != bytes)
            Fail(QStringLiteral("the file is not UTF-8"));
        const QString output = Convert(source, sourcePath);

        QSaveFile out(outputPath);
        if (!out.open(QIODevice::WriteOnly) || out.write(output.toUtf8()) < 0 || !out.commit())
            Fail(QStringLiteral("cannot write %1: %2").arg(outputPath, out.errorString()));
    } catch (const Failure &failure) {
        std::fprintf(stderr, "outline-text: %s: %s\n", qPrintable(sourcePath), failure.what());
        return 1;
    }
    return 0;
}
