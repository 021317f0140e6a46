// The download dialog TfrOdbior: receives two transmissions from the instrument and compares them.
#include "desktop/link/download_dialog.h"

#include "core/common/clock.h"
#include "core/common/dialogs.h"
#include "core/common/error_handler.h"
#include "core/common/legacy_fonts.h"
#include "core/link/comm_port_driver.h"
#include "core/link/receive_buffer.h"
#include "core/link/transmission_comparison.h"
#include "desktop/common/window_placement.h"

#include <QKeyEvent>
#include <QLabel>
#include <QProgressBar>
#include <QPushButton>
#include <QScreen>
#include <QShowEvent>
#include <QTimer>
#include <utility>

namespace ronvalo {

namespace {

const QColor Green(0, 128, 0);
const QColor Red(255, 0, 0);

const QString PressTransfer =
    QStringLiteral("Proszę nacisnąć przycisk TRANSFER w przyrządzie VERURU");
const QString PressTransferAgain =
    QStringLiteral("Proszę ponownie nacisnąć przycisk TRANSFER w przyrządzie VERURU");
const QString Receiving = QStringLiteral("Prosze czekac - odbiór danych...");
const QString PortFailedStatus = QStringLiteral("Nie można otworzyć wybranego portu.");
const QString PortFailedNotice = QStringLiteral(
    "Nie można otworzyć wybranego portu. Sprawdź czy nie korzysta z niego inna aplikacja.");

} // namespace

int progressAfterChunk(int position, quint32 n) {
    const qint64 next = qint64(position) + n;
    return next >= 100 ? 0 : int(next);
}

TfrOdbior::TfrOdbior(DownloadContext context, QWidget* parent)
    : QDialog(parent), context_(std::move(context)) {
    setObjectName("frOdbior");
    setWindowTitle(QStringLiteral("Odbiór danych"));
    setWindowFlags(Qt::Dialog | Qt::CustomizeWindowHint | Qt::WindowTitleHint |
                   Qt::WindowCloseButtonHint | Qt::MSWindowsFixedSizeDialogHint);
    setFont(windowFont(11));
    setFixedSize(395, 110);

    BitBtn1 = new QPushButton(QStringLiteral("Anuluj"), this);
    BitBtn1->setObjectName("BitBtn1");
    BitBtn1->setGeometry(160, 78, 75, 25);
    connect(BitBtn1, &QPushButton::clicked, this, guarded([this] { BitBtn1Click(); }));

    RxLabel1 = new QLabel(QStringLiteral("COM"), this);
    RxLabel1->setObjectName("RxLabel1");
    RxLabel1->setFont(windowFont(19));
    RxLabel1->setAlignment(Qt::AlignCenter);
    RxLabel1->setGeometry(0, 4, 395, 24);

    Comm1 = new TCommPortDriver(this);
    Comm1->setObjectName("Comm1");
    Comm1->setPort(pnCustom);
    Comm1->setPortName(QStringLiteral("\\\\.\\COM2"));
    Comm1->setInputTimeout(1000);
    Comm1->OnReceiveData = [this](TCommPortDriver* sender, const char* data, quint32 size) {
        guarded([&] { Comm1ReceiveData(sender, data, size); })();
    };

    Label1 = new QLabel(this);
    Label1->setObjectName("Label1");
    Label1->setAlignment(Qt::AlignCenter);
    Label1->setGeometry(0, 32, 395, 16);

    ProgressBar1 = new QProgressBar(this);
    ProgressBar1->setObjectName("ProgressBar1");
    ProgressBar1->setRange(0, 100);
    ProgressBar1->setValue(0);
    ProgressBar1->setTextVisible(false);
    ProgressBar1->setGeometry(8, 54, 379, 16);

    Timeout1 = new QTimer(this);
    Timeout1->setObjectName("Timeout1");
    Timeout1->setInterval(1000);
    Timeout1->setSingleShot(true);
    // A coarse timer may fire up to 5 % early, which would split a transmission at a shorter
    // pause; Timeout1Timer checks the elapsed time as well.
    Timeout1->setTimerType(Qt::PreciseTimer);
    connect(Timeout1, &QTimer::timeout, this, guarded([this] { Timeout1Timer(); }));
}

void TfrOdbior::setStatus(const QString& text, const QColor& colour) {
    QPalette palette = Label1->palette();
    palette.setColor(QPalette::WindowText, colour);
    Label1->setPalette(palette);
    Label1->setText(text);
}

bool TfrOdbior::OpenComPort(quint8 n) {
    Comm1->ClosePort();
    Comm1->setPort(static_cast<TPortNumber>(n));
    if (n >= 1 && n <= 4)
        RxLabel1->setText(QStringLiteral("COM%1").arg(n));
    return Comm1->OpenPort();
}

void TfrOdbior::FormShow() {
    if (OpenComPort(context_.selectedPort())) {
        context_.writeLog(QStringLiteral("Otwarcie prortu"));
        context_.first.clear();
        context_.second.clear();
        pass_ = 1;
        setStatus(PressTransfer, Green);
        return;
    }
    Dialogs::current().notice(PortFailedNotice);
    setStatus(PortFailedStatus, Red);
    context_.writeLog(QStringLiteral("Blad otwarcia portu"));
}

void TfrOdbior::Comm1ReceiveData(TCommPortDriver*, const char* DataPtr, quint32 DataSize) {
    // While the retry question is open the comparison is decided: what arrives now belongs to
    // no transmission, and a silence tick must not ask the question a second time.
    if (askingRetry_)
        return;
    setStatus(Receiving, Green);
    Timeout1->stop();
    if (silence_ > 0)
        Timeout1->setInterval(std::exchange(silence_, 0));
    lastChunk_.start();
    Timeout1->start();
    ProgressBar1->setValue(progressAfterChunk(ProgressBar1->value(), DataSize));
    // Bytes are kept as they came, zero bytes included, in both buffers alike.
    if (pass_ == 1)
        context_.first.append(DataPtr, DataSize);
    else if (pass_ == 2)
        context_.second.append(DataPtr, DataSize);
}

// One second of silence is never less: a tick that came before the whole interval has passed
// since the latest chunk waits out the rest.
bool TfrOdbior::silenceComplete() {
    const int interval = silence_ > 0 ? silence_ : Timeout1->interval();
    const qint64 quiet = lastChunk_.isValid() ? lastChunk_.elapsed() : interval;
    if (quiet < interval) {
        silence_ = interval;
        Timeout1->start(int(interval - quiet));
        return false;
    }
    if (silence_ > 0)
        Timeout1->setInterval(std::exchange(silence_, 0));
    return true;
}

void TfrOdbior::Timeout1Timer() {
    Timeout1->stop();
    if (askingRetry_ || !silenceComplete())
        return;
    ProgressBar1->setValue(100);
    setStatus(PressTransferAgain, Red);
    if (pass_ == 1) {
        pass_ = 2;
        return;
    }
    compareAndFinish();
}

void TfrOdbior::compareAndFinish() {
    const TransmissionComparison comparison = compareTransmissions(context_.first, context_.second);
    if (comparison.lineCountsDiffer)
        context_.writeLog(QStringLiteral("Niezogodna ilosc linii"));
    if (comparison.agree) {
        context_.transferDate = Clock::now();
        context_.writeLog(QStringLiteral("Transfer OK"));
        done(OkResult);
        return;
    }
    const int answer = askRetryOnce();
    if (answer == CancelResult) {
        context_.writeLog(QStringLiteral("Niezgodnosc transmisji - poniechano powtorzenia"));
        done(CancelResult);
        return;
    }
    context_.writeLog(QStringLiteral("Niezgodnosc transmisji - powtorzenie"));
    setStatus(PressTransfer, Green);
    context_.first.clear();
    context_.second.clear();
    pass_ = 1;
}

int TfrOdbior::askRetryOnce() {
    // The question runs its own event loop: the flag keeps chunks and ticks out until it closes.
    struct Asking {
        bool& flag;
        explicit Asking(bool& f) : flag(f) { flag = true; }
        ~Asking() { flag = false; }
    } asking(askingRetry_);
    return context_.askRetry();
}

void TfrOdbior::BitBtn1Click() {
    Timeout1->stop();
    Comm1->ClosePort();
    context_.writeLog(QStringLiteral("Anulowanie transmisji"));
    done(CancelResult);
}

void TfrOdbior::FormClose() {
    Timeout1->stop();
    Comm1->ClosePort();
}

void TfrOdbior::reject() {
    done(CancelResult);
}

void TfrOdbior::done(int result) {
    // Every end of the dialog passes here, whatever ended it.
    guarded([this] { FormClose(); })();
    QDialog::done(result);
}

void TfrOdbior::keyPressEvent(QKeyEvent* event) {
    // Esc presses the cancel button, which logs; the close box does not.
    if (event->key() == Qt::Key_Escape && event->modifiers() == Qt::NoModifier) {
        BitBtn1->click();
        return;
    }
    QDialog::keyPressEvent(event);
}

void TfrOdbior::showEvent(QShowEvent* event) {
    QDialog::showEvent(event);
    if (event->spontaneous())
        return;
    // Centred on the screen at every showing, not where it was last put.
    centreOnScreen(*this);
    guarded([this] { FormShow(); })();
}

} // namespace ronvalo
