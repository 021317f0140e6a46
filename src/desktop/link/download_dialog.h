// The download dialog TfrOdbior: receives two transmissions from the instrument and compares them.
#pragma once

#include <QDateTime>
#include <QDialog>
#include <QElapsedTimer>
#include <functional>

#include "core/common/service_log.h"

class QLabel;
class QProgressBar;
class QPushButton;
class QTimer;

namespace ronvalo {

class ReceiveBuffer;
class TCommPortDriver;

// What the download dialog works on; the main window owns all of it.
struct DownloadContext {
    ReceiveBuffer& first;                 // the first transmission, the one the import reads
    ReceiveBuffer& second;                // the second transmission, compared with the first
    std::function<quint8()> selectedPort; // 1 to 4 for COM1 to COM4, 0 before set
    LogWriter writeLog;
    QDateTime& transferDate;       // set when two transmissions agreed
    std::function<int()> askRetry; // shows the transmission-error dialog modally, gives its result
};

class TfrOdbior : public QDialog {
    Q_OBJECT

public:
    // The dialog's results: two transmissions agreed, or nothing is to be imported.
    static constexpr int OkResult = 1;
    static constexpr int CancelResult = 2;

    explicit TfrOdbior(DownloadContext context, QWidget* parent = nullptr);

    QPushButton* BitBtn1 = nullptr;
    QLabel* RxLabel1 = nullptr;
    TCommPortDriver* Comm1 = nullptr;
    QLabel* Label1 = nullptr;
    QProgressBar* ProgressBar1 = nullptr;
    QTimer* Timeout1 = nullptr; // the silence timer: a transmission ends after it runs out

    void FormShow();
    void Comm1ReceiveData(TCommPortDriver* Sender, const char* DataPtr, quint32 DataSize);
    void Timeout1Timer();
    void BitBtn1Click();
    void FormClose();
    // Opens port n (1 to 4; 0 keeps the port name as it is); true when the port is open.
    bool OpenComPort(quint8 n);

    // 0 until a port was first opened; 1 or 2 for the transmission being received.
    int PassNumber() const { return pass_; }
    // True while the transmission-error dialog is open over this one.
    bool IsAskingRetry() const { return askingRetry_; }

    // The close box ends the dialog with the cancel result and no log line.
    void reject() override;
    void done(int result) override;

protected:
    void showEvent(QShowEvent* event) override;
    void keyPressEvent(QKeyEvent* event) override;

private:
    void setStatus(const QString& text, const QColor& colour);
    void compareAndFinish();
    int askRetryOnce();
    bool silenceComplete();

    DownloadContext context_;
    QElapsedTimer lastChunk_; // since the latest chunk was received
    int silence_ = 0;         // Timeout1's own interval while it waits out a remainder
    int pass_ = 0;
    bool askingRetry_ = false;
};

// The progress bar after a chunk of n bytes: it moves by the count and falls back to 0 at 100.
int progressAfterChunk(int position, quint32 n);

} // namespace ronvalo
