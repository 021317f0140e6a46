// The instrument simulator seen through the driver: whole transmissions, alterations, noise.
#include "core/link/comm_port_driver.h"
#include "support/temp_folder.h"

#include <QFileInfo>
#include <QProcess>
#include <QRegularExpression>
#include <QTest>
#include <gtest/gtest.h>

using namespace ronvalo;

namespace {

const QString SampleDump = QStringLiteral(RONVALO_TEST_DATA "/veruru_sample_dump.txt");

// Runs veruru-sim with a link in a temporary folder and receives through a driver on it.
class Simulator {
public:
    explicit Simulator(QStringList arguments) {
        link_ = folder_.file("port");
        arguments << "--link" << link_;
        process_.setProgram(QStringLiteral(RONVALO_BIN_DIR "/veruru-sim"));
        process_.setArguments(arguments);
        process_.start();
        driver_.OnReceiveData = [this](TCommPortDriver*, const char* data, quint32 size) {
            received.append(data, size);
        };
    }
    ~Simulator() {
        driver_.ClosePort();
        if (!process_.waitForFinished(3000)) {
            process_.kill();
            process_.waitForFinished();
        }
    }

    bool open() {
        if (!QTest::qWaitFor([&] { return QFileInfo(link_).isSymLink(); }, 5000))
            return false;
        driver_.setPortName(link_);
        return driver_.OpenPort();
    }
    bool receive(qsizetype size) {
        return QTest::qWaitFor([&] { return received.size() >= size; }, 10000);
    }
    // Closing the port lets the simulator finish; true when it ended by itself and cleanly.
    bool closeAndFinish() {
        driver_.ClosePort();
        return process_.waitForFinished(5000) && process_.exitStatus() == QProcess::NormalExit &&
               process_.exitCode() == 0;
    }
    QProcess& process() { return process_; }
    const QString& link() const { return link_; }

    QByteArray received;

private:
    test::TempFolder folder_;
    QString link_;
    QProcess process_;
    TCommPortDriver driver_;
};

QByteArrayList lines(const QByteArray& bytes) {
    return bytes.split('\n');
}

} // namespace

TEST(VeruruSim, SendsTheDumpOnceAndEnds) {
    const QByteArray dump = test::readFileBytes(SampleDump);
    ASSERT_FALSE(dump.isEmpty());
    Simulator sim({"--auto", "1", "--gap", "100", SampleDump});
    ASSERT_TRUE(sim.open());
    ASSERT_TRUE(sim.receive(dump.size()));
    QTest::qWait(100);
    EXPECT_EQ(sim.received, dump);
    EXPECT_TRUE(sim.closeAndFinish());
    EXPECT_FALSE(QFileInfo::exists(sim.link())) << "the link goes with the simulator";
    EXPECT_TRUE(sim.process().readAllStandardOutput().startsWith("/dev/pts/"));
}

TEST(VeruruSim, AltersWhatItWasAskedTo) {
    const QByteArray dump = test::readFileBytes(SampleDump);
    Simulator sim({"--auto", "2", "--gap", "100", "--clock-now", "--corrupt-byte", "1:0",
                   "--corrupt-line", "2:5", SampleDump});
    ASSERT_TRUE(sim.open());
    ASSERT_TRUE(sim.receive(2 * dump.size()));
    ASSERT_EQ(sim.received.size(), 2 * dump.size());
    const QByteArray first = sim.received.left(dump.size());
    const QByteArray second = sim.received.mid(dump.size());

    const QByteArrayList original = lines(dump);
    const QByteArrayList one = lines(first);
    const QByteArrayList two = lines(second);
    ASSERT_EQ(one.size(), original.size());
    ASSERT_EQ(two.size(), original.size());
    const QRegularExpression clock("^\\d\\d-\\d\\d-\\d\\d \\d\\d:\\d\\d\r$");
    for (const QByteArrayList& transmission : {one, two})
        EXPECT_TRUE(clock.match(QString::fromLatin1(transmission[2])).hasMatch())
            << transmission[2].toStdString();
    EXPECT_EQ(one[0], "+-*-*-*-*-*-*-\r") << "byte 0 of the first transmission";
    EXPECT_EQ(two[0], original[0]);
    EXPECT_EQ(one[5], original[5]);
    EXPECT_EQ(two[5], "#282 19:26\r") << "line 5 of the second transmission";
    for (qsizetype i = 6; i < original.size(); ++i)
        EXPECT_TRUE(one[i] == original[i] && two[i] == original[i]) << i;
    EXPECT_TRUE(sim.closeAndFinish());
}

TEST(VeruruSim, NoiseGoesOnUntilStopped) {
    Simulator sim({"--noise"});
    ASSERT_TRUE(sim.open());
    ASSERT_TRUE(sim.receive(200));
    sim.process().terminate();
    EXPECT_TRUE(sim.process().waitForFinished(3000));
    EXPECT_EQ(sim.process().exitCode(), 0);
}
