// Runs poppler-utils on a rendered report and parses their answers.
#include "support/pdf_reading.h"

#include <QHash>
#include <QProcess>
#include <QRegularExpression>
#include <QXmlStreamReader>
#include <algorithm>
#include <cmath>
#include <gtest/gtest.h>

namespace ronvalo::test {

namespace {

QString run(const QString& program, const QStringList& arguments) {
    QProcess process;
    process.start(program, arguments);
    const bool finished = process.waitForFinished(120000);
    EXPECT_TRUE(finished && process.exitCode() == 0)
        << program.toStdString() << ": " << process.readAllStandardError().toStdString();
    return QString::fromUtf8(process.readAllStandardOutput());
}

// pdftohtml -xml: <page number=..> holding <fontspec id size ...> and
// <text top left width font ...>[<b>]text[</b>]</text>.
std::vector<PdfText> parseTexts(const QString& xml) {
    std::vector<PdfText> texts;
    QXmlStreamReader reader(xml);
    int page = 0;
    QHash<QString, double> fontSizes;
    while (!reader.atEnd()) {
        reader.readNext();
        if (!reader.isStartElement())
            continue;
        const auto attributes = reader.attributes();
        if (reader.name() == QLatin1String("page")) {
            page = attributes.value("number").toInt();
        } else if (reader.name() == QLatin1String("fontspec")) {
            fontSizes[attributes.value("id").toString()] = attributes.value("size").toDouble();
        } else if (reader.name() == QLatin1String("text")) {
            PdfText text;
            text.page = page;
            text.top = attributes.value("top").toDouble();
            text.left = attributes.value("left").toDouble();
            text.width = attributes.value("width").toDouble();
            text.size = fontSizes.value(attributes.value("font").toString());
            while (!(reader.isEndElement() && reader.name() == QLatin1String("text")) &&
                   !reader.atEnd()) {
                reader.readNext();
                if (reader.isStartElement() && reader.name() == QLatin1String("b"))
                    text.bold = true;
                if (reader.isCharacters())
                    text.text += reader.text();
            }
            texts.push_back(text);
        }
    }
    EXPECT_FALSE(reader.hasError()) << reader.errorString().toStdString();
    return texts;
}

QString infoField(const QString& info, const QString& name) {
    const QRegularExpression field("^" + name + ":\\s*(.*)$", QRegularExpression::MultilineOption);
    return field.match(info).captured(1).trimmed();
}

} // namespace

std::vector<PdfText> PdfDocument::find(const QString& text, int page) const {
    std::vector<PdfText> found;
    std::copy_if(texts.begin(), texts.end(), std::back_inserter(found),
                 [&](const PdfText& t) { return t.text == text && (page == 0 || t.page == page); });
    return found;
}

std::vector<PdfText> PdfDocument::line(int page, double top) const {
    std::vector<PdfText> found;
    std::copy_if(texts.begin(), texts.end(), std::back_inserter(found),
                 [&](const PdfText& t) { return t.page == page && std::abs(t.top - top) <= 1.5; });
    std::sort(found.begin(), found.end(),
              [](const PdfText& a, const PdfText& b) { return a.left < b.left; });
    return found;
}

// pdffonts: two header lines, then one font a line, its name first ("ABCDEF+Name" when subset).
QStringList fontNames(const QString& listing) {
    QStringList names;
    for (const QString& line : listing.split('\n', Qt::SkipEmptyParts).mid(2))
        names << line.section(' ', 0, 0).section('+', -1);
    names.removeDuplicates();
    names.sort();
    return names;
}

PdfDocument readPdf(const QString& path) {
    PdfDocument document;
    const QString info = run("pdfinfo", {path});
    document.pages = infoField(info, "Pages").toInt();
    document.pageSize = infoField(info, "Page size");
    document.layoutText = run("pdftotext", {"-layout", path, "-"});
    document.fonts = fontNames(run("pdffonts", {path}));
    document.texts = parseTexts(run("pdftohtml", {"-xml", "-i", "-stdout", "-zoom", "1", path}));
    return document;
}

} // namespace ronvalo::test
