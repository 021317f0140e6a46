// The report form TfrRaport2 holding the punch report QRaport1: title lines, preview and PDF.
#pragma once

#include "core/report/report_painter.h"

#include <QObject>
#include <QString>
#include <QWidget>
#include <functional>

namespace ronvalo {

// The punch report: its two settable title lines and the ways it is put out.
class PunchReport : public QObject {
    Q_OBJECT
public:
    explicit PunchReport(QObject* parent = nullptr);

    // Title lines 2 and 3; they keep the texts last set for the whole run.
    QString QRLabel2 = QStringLiteral("za okres");
    QString QRLabel6 = QStringLiteral("czytnik");

    void setSourceFactory(PunchSourceFactory factory) { factory_ = std::move(factory); }

    // Builds the report from the rows at this moment and shows it in a modal print preview,
    // from which the operator prints or saves a PDF; returns when the preview closes.
    void Preview(QWidget* parent = nullptr);

    // Builds the report and writes it straight into a PDF file.
    PaintedReport writePdf(const QString& path);

private:
    // What is printed around the rows: the title lines and the moment given.
    ReportContent content(const QDateTime& builtAt) const;

    PunchSourceFactory factory_;
};

// The form that holds the report; it is never shown itself.
class TfrRaport2 : public QWidget {
    Q_OBJECT
public:
    explicit TfrRaport2(QWidget* parent = nullptr);

    // Where the report's rows come from; without one the report is empty.
    void setPunchSourceFactory(PunchSourceFactory factory) {
        QRaport1->setSourceFactory(std::move(factory));
    }

    PunchReport* const QRaport1;
};

} // namespace ronvalo
