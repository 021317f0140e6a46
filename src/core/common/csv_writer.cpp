// The CSV writer: quoting, the byte-order mark and header, rows buffered into a staged file.
#include "core/common/csv_writer.h"

#include <QDir>
#include <QFile>

#include "core/common/exception.h"

namespace ronvalo {

namespace {

// Rows are handed to the file in blocks of about this many characters: one system call per row
// would cost more than the formatting.
constexpr qsizetype blockSize = 64 * 1024;

const QChar byteOrderMark(0xFEFF); // EF BB BF in UTF-8

// A number as the program writes it (a count, "-5", "12,5"): a spreadsheet reads it as a number
// whatever its sign, so it is left as it is.
bool isPlainNumber(const QString& text) {
    qsizetype k = text.startsWith(u'-') || text.startsWith(u'+') ? 1 : 0;
    const qsizetype digitsFrom = k;
    while (k < text.size() && text[k].isDigit())
        ++k;
    if (k == digitsFrom)
        return false;
    if (k < text.size() && (text[k] == u'.' || text[k] == u',')) {
        const qsizetype fractionFrom = ++k;
        while (k < text.size() && text[k].isDigit())
            ++k;
        if (k == fractionFrom)
            return false;
    }
    return k == text.size();
}

// A spreadsheet takes a cell that begins with one of these for a formula (a tab or CR before
// one of them is skipped as blank), so a name "=HYPERLINK(...)" from the tables would run.
bool startsLikeFormula(const QString& text) {
    if (text.isEmpty())
        return false;
    const QChar first = text.front();
    return first == u'=' || first == u'+' || first == u'-' || first == u'@' || first == u'\t' ||
           first == u'\r';
}

bool needsQuotes(const QString& text) {
    for (const QChar c : text)
        if (c == u';' || c == u'"' || c == u'\r' || c == u'\n')
            return true;
    return false;
}

// Rows gather as text and become UTF-8 a block at a time: one conversion per field would cost
// an allocation each.
void appendLine(QString& out, const QStringList& fields) {
    for (qsizetype k = 0; k < fields.size(); ++k) {
        if (k > 0)
            out += u';';
        if (startsLikeFormula(fields[k]) || needsQuotes(fields[k]))
            out += csvField(fields[k]);
        else
            out += fields[k];
    }
    out += QLatin1String("\r\n");
}

// Two digits of a number below 100.
void appendTwoDigits(QChar*& at, int number) {
    *at++ = QChar(u'0' + number / 10);
    *at++ = QChar(u'0' + number % 10);
}

} // namespace

QString csvField(const QString& text) {
    const bool asText = startsLikeFormula(text) && !isPlainNumber(text);
    if (!asText && !needsQuotes(text))
        return text;
    QString quoted = asText ? u'\'' + text : text;
    if (!needsQuotes(quoted))
        return quoted;
    quoted.replace(u'"', QStringLiteral("\"\""));
    return u'"' + quoted + u'"';
}

QByteArray csvLine(const QStringList& fields) {
    QString line;
    appendLine(line, fields);
    return line.toUtf8();
}

QString csvDate(const QDate& date) {
    return date.isValid() ? date.toString(Qt::ISODate) : QString();
}

QString csvTime(const QTime& time) {
    if (!time.isValid())
        return {};
    // By hand: a format string is parsed anew at every call, and exports run to a million rows.
    QChar text[5];
    QChar* at = text;
    appendTwoDigits(at, time.hour());
    *at++ = u':';
    appendTwoDigits(at, time.minute());
    return QString(text, 5);
}

CsvWriter::CsvWriter(const QString& target, const QStringList& titles) : target_(target) {
    if (const platform::OsError error = file_.open(target.toStdString()); error.failed())
        fail(error);
    buffer_.reserve(blockSize + 4096);
    buffer_ += byteOrderMark;
    appendLine(buffer_, titles);
}

void CsvWriter::putRow(const QStringList& fields) {
    appendLine(buffer_, fields);
    if (buffer_.size() >= blockSize)
        writeBuffered();
}

void CsvWriter::commit() {
    writeBuffered();
    if (const platform::OsError error = file_.commit(); error.failed())
        fail(error);
}

void CsvWriter::writeBuffered() {
    const QByteArray bytes = buffer_.toUtf8();
    const platform::OsError error =
        file_.write(std::string_view(bytes.constData(), std::size_t(bytes.size())));
    buffer_.resize(0); // keeps its capacity for the next block
    if (error.failed())
        fail(error);
}

void CsvWriter::fail(const platform::OsError& error) const {
    throw EInOutError(tableWriteErrorText(target_, QString::fromStdString(error.text())),
                      error.code());
}

void writeCsvFile(const QString& target, const QStringList& titles, const CsvRowSource& rows) {
    CsvWriter writer(target, titles);
    while (writer.writeRows(rows, blockSize)) {
    }
    writer.commit();
}

void writeCsvTo(QIODevice& out, const QString& name, const QStringList& titles,
                const CsvRowSource& rows) {
    const auto fail = [&out, &name] {
        throw EInOutError(QStringLiteral("Nie można zapisać %1: %2").arg(name, out.errorString()),
                          0);
    };
    QString buffer(byteOrderMark);
    appendLine(buffer, titles);
    QStringList fields;
    bool more = true;
    while (more) {
        fields.clear();
        more = rows(fields);
        if (more)
            appendLine(buffer, fields);
        if (buffer.size() >= blockSize || !more) {
            if (out.write(buffer.toUtf8()) < 0)
                fail();
            buffer.resize(0);
        }
    }
}

void writeCsvToStdout(const QStringList& titles, const CsvRowSource& rows) {
    QFile out;
    const QString name = QStringLiteral("na standardowe wyjście");
    if (!out.open(stdout, QIODevice::WriteOnly))
        throw EInOutError(QStringLiteral("Nie można zapisać %1: %2").arg(name, out.errorString()),
                          0);
    writeCsvTo(out, name, titles, rows);
    if (!out.flush())
        throw EInOutError(QStringLiteral("Nie można zapisać %1: %2").arg(name, out.errorString()),
                          0);
}

} // namespace ronvalo
