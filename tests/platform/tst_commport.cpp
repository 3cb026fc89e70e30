// The serial port adapter on a real pseudo-terminal, the settings text, and
// how port numbers find their devices.

#include "PortDirectory.h"
#include "QtCommPort.h"

#include <QDir>
#include <QFile>
#include <QTemporaryDir>
#include <QTest>

#include <ctime>
#include <optional>

#include <pty.h>
#include <termios.h>
#include <unistd.h>

namespace {

// A pseudo-terminal in raw mode, as a receiver on a serial line.
struct Terminal
{
    int master = -1;
    int slave = -1;
    QString device;

    Terminal() // on failure the device stays empty
    {
        ::openpty(&master, &slave, nullptr, nullptr, nullptr);
        termios raw{};
        ::tcgetattr(slave, &raw);
        ::cfmakeraw(&raw);
        ::tcsetattr(slave, TCSANOW, &raw);
        device = QString::fromLocal8Bit(::ttyname(slave));
    }
    ~Terminal()
    {
        ::close(slave);
        ::close(master);
    }
    bool send(const QByteArray& bytes) const
    {
        return ::write(master, bytes.constData(), size_t(bytes.size())) == bytes.size();
    }
};

} // namespace

class TstCommPort : public QObject
{
    Q_OBJECT

private slots:
    // Not plugged in, the port does not open. Unplugged mid-study, it neither
    // spins on the dead device nor gives up; plugged back in, it is read again.
    void receiverUnpluggedAndPluggedBackIn()
    {
        auto first = std::make_optional<Terminal>();
        QVERIFY(!first->device.isEmpty());
        QTemporaryDir program;
        QVERIFY(QDir(program.path()).mkdir("ports"));
        const QString link = program.filePath("ports/com2");
        QtCommPort port(program.path());
        QVERIFY(!port.setCommPort(0));
        QVERIFY(port.setCommPort(2));
        QVERIFY(port.setSettings("4800,N,8,1"));
        QVERIFY(port.setRThreshold(1));
        QVERIFY(port.setRTSEnable(true)); // a pseudo-terminal has no RTS line: not an error
        QVERIFY(!port.setPortOpen(true));
        QVERIFY(!port.portOpen());
        QVERIFY(QFile::link(first->device, link));
        QVERIFY(port.setPortOpen(true));
        QByteArray got;
        connect(&port, &CommPort::OnComm, this, [&] {
            char buf[64];
            while (const qsizetype n = port.read(buf, sizeof buf)) {
                got.append(buf, n);
            }
        });
        QVERIFY(first->send("$GPGGA,1\r\n\xb0")); // raw: all eight bits come through
        QTRY_COMPARE(got, QByteArray("$GPGGA,1\r\n\xb0"));

        first.reset();                            // unplugged
        const std::clock_t before = std::clock(); // processor time of this program
        QTest::qWait(1500);
        QVERIFY2(std::clock() - before < CLOCKS_PER_SEC / 2, "the dead device keeps it busy");
        QVERIFY(port.portOpen());

        Terminal second; // plugged back in, under the same port number
        QVERIFY(QFile::remove(link));
        QVERIFY(QFile::link(second.device, link));
        // A later attempt opens it; what is sent before that is not read,
        // so the sentence goes again until it comes through.
        QTRY_VERIFY_WITH_TIMEOUT((second.send("$GPGGA,2\r\n"), got.contains("$GPGGA,2")), 20000);
        QVERIFY(got.startsWith(QByteArray("$GPGGA,1\r\n\xb0$GPGGA,2\r\n")));
        QVERIFY(port.setPortOpen(false));
        QVERIFY(!port.portOpen());
    }

    void settings_data()
    {
        QTest::addColumn<QString>("text");
        QTest::addColumn<bool>("valid");
        QTest::newRow("default") << "4800,N,8,1" << true;
        QTest::newRow("fast, seven bits") << "115200,N,7,1" << true;
        QTest::newRow("even parity, two stops") << "9600,E,7,2" << true;
        QTest::newRow("zero speed") << "0,N,8,1" << false;
        QTest::newRow("unknown parity") << "4800,X,8,1" << false;
        QTest::newRow("missing part") << "4800,N,8" << false;
    }
    void settings()
    {
        QFETCH(QString, text);
        QtCommPort port{QString()};
        QTEST(port.setSettings(text), "valid");
    }

    void deviceOrder()
    {
        const QStringList present = {"/dev/ttyS1",   "/dev/ttyACM0", "/dev/ttyUSB10", "/dev/ttyS0",
                                     "/dev/ttyUSB2", "/dev/rfcomm0", "/dev/ttyUSB0"};
        QCOMPARE(ports::orderedDevices(present),
                 QStringList({"/dev/ttyUSB0", "/dev/ttyUSB2", "/dev/ttyUSB10", "/dev/ttyACM0",
                              "/dev/rfcomm0", "/dev/ttyS0", "/dev/ttyS1"}));
    }
};

QTEST_GUILESS_MAIN(TstCommPort)
#include "tst_commport.moc"
