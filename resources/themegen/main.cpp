// Build-time generator of the colour themes: one sheet template and one table of
// colours give every theme its style sheet and its indicator and arrow images, so the
// thirteen themes cannot drift apart.
//
//   kestrel_themegen <template> <colour table> <output folder>
//
// Writes <output>/qss/<theme>.css, <output>/qss/<theme>/<image>.png and the resource
// lists theme_sheets.qrc and theme_images.qrc. The table is tab-separated; its first
// row names the columns, and every column is a placeholder @column@ of the template.
#include <QColor>
#include <QDir>
#include <QFile>
#include <QImage>
#include <QMap>
#include <QPainter>
#include <QPainterPath>
#include <QRegularExpression>
#include <QSaveFile>
#include <QTextStream>

#include <cstdio>

namespace {

using Theme = QMap<QString, QString>;

QColor mix(const QColor &a, const QColor &b, qreal share)
{
    return QColor::fromRgbF(a.redF() * (1 - share) + b.redF() * share, a.greenF() * (1 - share) + b.greenF() * share,
                            a.blueF() * (1 - share) + b.blueF() * share);
}

QColor colour(const Theme &theme, const QString &key)
{
    return QColor(theme.value(key));
}

// Colours the sheet uses besides the table's own.
void addDerivedColours(Theme &theme)
{
    const QColor palette = colour(theme, QStringLiteral("palette"));
    theme.insert(QStringLiteral("disabled"), mix(palette, colour(theme, QStringLiteral("text")), 0.45).name().toUpper());
    theme.insert(QStringLiteral("alternate"), mix(colour(theme, QStringLiteral("panel")), palette, 0.5).name().toUpper());
    const QColor hover = colour(theme, QStringLiteral("hover"));
    theme.insert(QStringLiteral("pressed"), (hover.lightness() > 60 ? hover.darker(112) : hover.lighter(130)).name().toUpper());
}

bool writeFile(const QString &path, const QByteArray &contents)
{
    QDir().mkpath(QFileInfo(path).absolutePath());
    QSaveFile file(path);
    if (!file.open(QIODevice::WriteOnly) || file.write(contents) != contents.size() || !file.commit()) {
        std::fprintf(stderr, "themegen: cannot write %s\n", qPrintable(path));
        return false;
    }
    return true;
}

// ---- Images ----

struct ImageColours
{
    QColor border, fill, mark, markText;
};

ImageColours imageColours(const Theme &theme, bool disabled)
{
    const QColor palette = colour(theme, QStringLiteral("palette"));
    if (disabled) {
        const QColor faded = colour(theme, QStringLiteral("disabled"));
        return {mix(palette, faded, 0.7), palette, faded, palette};
    }
    return {colour(theme, QStringLiteral("border")), colour(theme, QStringLiteral("panel")),
            colour(theme, QStringLiteral("highlight")), colour(theme, QStringLiteral("hightext"))};
}

QImage canvas(int size)
{
    QImage image(size, size, QImage::Format_ARGB32_Premultiplied);
    image.fill(Qt::transparent);
    return image;
}

enum class Box { Unchecked, Checked, Partial };

QImage checkBox(const ImageColours &c, Box state)
{
    QImage image = canvas(15);
    QPainter p(&image);
    // Square edges on whole pixels stay sharp; only the tick is smoothed.
    p.fillRect(0, 0, 15, 15, state == Box::Checked ? c.mark : c.border);
    p.fillRect(1, 1, 13, 13, state == Box::Checked ? c.mark : c.fill);
    if (state == Box::Partial)
        p.fillRect(4, 4, 7, 7, c.mark);
    if (state == Box::Checked) {
        p.setRenderHint(QPainter::Antialiasing);
        p.setPen(QPen(c.markText, 2.0, Qt::SolidLine, Qt::SquareCap, Qt::MiterJoin));
        QPainterPath tick;
        tick.moveTo(3.5, 7.5);
        tick.lineTo(6.0, 10.0);
        tick.lineTo(11.5, 4.5);
        p.drawPath(tick);
    }
    return image;
}

QImage radioButton(const ImageColours &c, bool checked)
{
    QImage image = canvas(15);
    QPainter p(&image);
    p.setRenderHint(QPainter::Antialiasing);
    p.setPen(QPen(checked ? c.mark : c.border, 1.0));
    p.setBrush(c.fill);
    p.drawEllipse(QRectF(0.5, 0.5, 14, 14));
    if (checked) {
        p.setPen(Qt::NoPen);
        p.setBrush(c.mark);
        p.drawEllipse(QRectF(4, 4, 7, 7));
    }
    return image;
}

// A solid triangle pointing up, down, left or right, centred on a square.
QImage arrow(const QColor &colour, int size, int degrees)
{
    QImage image = canvas(size);
    QPainter p(&image);
    p.setRenderHint(QPainter::Antialiasing);
    p.translate(size / 2.0, size / 2.0);
    p.rotate(degrees);
    const qreal half = size * 0.35;
    QPainterPath triangle;
    triangle.moveTo(-half, half * 0.5);
    triangle.lineTo(half, half * 0.5);
    triangle.lineTo(0, -half * 0.6);
    triangle.closeSubpath();
    p.fillPath(triangle, colour);
    return image;
}

QMap<QString, QImage> themeImages(const Theme &theme)
{
    const ImageColours normal = imageColours(theme, false);
    const ImageColours disabled = imageColours(theme, true);
    const QColor text = colour(theme, QStringLiteral("text"));
    const QColor titleText = colour(theme, QStringLiteral("titletext"));
    return {
        {QStringLiteral("add_top"), arrow(text, 10, 0)},
        {QStringLiteral("add_right"), arrow(text, 10, 90)},
        {QStringLiteral("add_bottom"), arrow(text, 10, 180)},
        {QStringLiteral("add_left"), arrow(text, 10, 270)},
        {QStringLiteral("branch_close"), arrow(text, 10, 90)},
        {QStringLiteral("branch_open"), arrow(text, 10, 180)},
        {QStringLiteral("calendar_prevmonth"), arrow(titleText, 16, 270)},
        {QStringLiteral("calendar_nextmonth"), arrow(titleText, 16, 90)},
        {QStringLiteral("checkbox_unchecked"), checkBox(normal, Box::Unchecked)},
        {QStringLiteral("checkbox_unchecked_disable"), checkBox(disabled, Box::Unchecked)},
        {QStringLiteral("checkbox_checked"), checkBox(normal, Box::Checked)},
        {QStringLiteral("checkbox_checked_disable"), checkBox(disabled, Box::Checked)},
        {QStringLiteral("checkbox_parcial"), checkBox(normal, Box::Partial)},
        {QStringLiteral("checkbox_parcial_disable"), checkBox(disabled, Box::Partial)},
        {QStringLiteral("radiobutton_unchecked"), radioButton(normal, false)},
        {QStringLiteral("radiobutton_unchecked_disable"), radioButton(disabled, false)},
        {QStringLiteral("radiobutton_checked"), radioButton(normal, true)},
        {QStringLiteral("radiobutton_checked_disable"), radioButton(disabled, true)},
    };
}

// ---- Sheets ----

bool readTable(const QString &path, QList<Theme> &themes)
{
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly | QIODevice::Text)) {
        std::fprintf(stderr, "themegen: cannot read %s\n", qPrintable(path));
        return false;
    }
    QTextStream in(&file);
    in.setCodec("UTF-8");
    const QStringList columns = in.readLine().split(QLatin1Char('\t'));
    int row = 1;
    while (!in.atEnd()) {
        const QString line = in.readLine();
        ++row;
        if (line.trimmed().isEmpty())
            continue;
        const QStringList cells = line.split(QLatin1Char('\t'));
        if (cells.size() != columns.size()) {
            std::fprintf(stderr, "themegen: %s:%d has %d cells, expected %d\n", qPrintable(path), row,
                         int(cells.size()), int(columns.size()));
            return false;
        }
        Theme theme;
        for (int i = 0; i < columns.size(); ++i) {
            if (columns.at(i) != QLatin1String("name") && !QColor::isValidColor(cells.at(i))) {
                std::fprintf(stderr, "themegen: %s:%d: '%s' is no colour\n", qPrintable(path), row,
                             qPrintable(cells.at(i)));
                return false;
            }
            theme.insert(columns.at(i), cells.at(i));
        }
        addDerivedColours(theme);
        themes << theme;
    }
    return !themes.isEmpty();
}

QString fillTemplate(const QString &text, const Theme &theme, bool &ok)
{
    QString sheet = text;
    for (auto it = theme.cbegin(); it != theme.cend(); ++it)
        sheet.replace(QLatin1Char('@') + it.key() + QLatin1Char('@'), it.value());
    static const QRegularExpression leftOver(QStringLiteral("@[a-z]+@"));
    const QRegularExpressionMatch match = leftOver.match(sheet);
    ok = !match.hasMatch();
    if (!ok)
        std::fprintf(stderr, "themegen: unknown placeholder %s\n", qPrintable(match.captured()));
    // The programs read the palette colour at a fixed place of the first rule.
    const QString prefix = QStringLiteral("QPalette{background:");
    if (ok && (!sheet.startsWith(prefix) || sheet.mid(prefix.size(), 7) != theme.value(QStringLiteral("palette")))) {
        std::fprintf(stderr, "themegen: the sheet of %s must begin with %s and its palette colour\n",
                     qPrintable(theme.value(QStringLiteral("name"))), qPrintable(prefix));
        ok = false;
    }
    return sheet;
}

QByteArray resourceList(const QStringList &files)
{
    QByteArray qrc = "<RCC>\n    <qresource prefix=\"/\">\n";
    for (const QString &file : files)
        qrc += "        <file>" + file.toUtf8() + "</file>\n";
    qrc += "    </qresource>\n</RCC>\n";
    return qrc;
}

} // namespace

int main(int argc, char **argv)
{
    if (argc != 4) {
        std::fprintf(stderr, "usage: kestrel_themegen <template> <colour table> <output folder>\n");
        return 2;
    }
    QFile templateFile(QString::fromLocal8Bit(argv[1]));
    if (!templateFile.open(QIODevice::ReadOnly)) {
        std::fprintf(stderr, "themegen: cannot read %s\n", argv[1]);
        return 1;
    }
    const QString templateText = QString::fromUtf8(templateFile.readAll());
    QList<Theme> themes;
    if (!readTable(QString::fromLocal8Bit(argv[2]), themes))
        return 1;

    const QDir out(QString::fromLocal8Bit(argv[3]));
    QStringList sheets;
    QStringList images;
    for (const Theme &theme : qAsConst(themes)) {
        const QString name = theme.value(QStringLiteral("name"));
        bool ok = false;
        const QString sheet = fillTemplate(templateText, theme, ok);
        if (!ok)
            return 1;
        const QString sheetFile = QStringLiteral("qss/%1.css").arg(name);
        if (!writeFile(out.filePath(sheetFile), sheet.toUtf8()))
            return 1;
        sheets << sheetFile;

        const QMap<QString, QImage> pictures = themeImages(theme);
        for (auto it = pictures.cbegin(); it != pictures.cend(); ++it) {
            const QString imageFile = QStringLiteral("qss/%1/%2.png").arg(name, it.key());
            QDir().mkpath(QFileInfo(out.filePath(imageFile)).absolutePath());
            if (!it.value().save(out.filePath(imageFile), "PNG")) {
                std::fprintf(stderr, "themegen: cannot write %s\n", qPrintable(imageFile));
                return 1;
            }
            images << imageFile;
        }
    }
    if (!writeFile(out.filePath(QStringLiteral("theme_sheets.qrc")), resourceList(sheets))
        || !writeFile(out.filePath(QStringLiteral("theme_images.qrc")), resourceList(images)))
        return 1;
    return 0;
}
