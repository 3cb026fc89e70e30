// The serial port adapter on a real pseudo-terminal, the settings text, and
// how port numbers find their devices.

#include "FakeCommPort.h"
#include "PortDirectory.h"
#include "QtCommPort.h"

#include <QDir>
#include <QFile>
#include <QSignalSpy>
#include <QTemporaryDir>
#include <QTest>

#include <memory>

#include <fcntl.h>
#include <pty.h>
#include <sys/resource.h>
#include <termios.h>
#include <unistd.h>

namespace {

// A pseudo-terminal in raw mode, as a receiver on a serial line.
struct Terminal
{
    int master = -1;
    int slave = -1;
    QString device;

    Terminal()
    {
        if (::openpty(&master, &slave, nullptr, nullptr, nullptr) != 0) {
            return;
        }
        termios raw{};
        ::tcgetattr(slave, &raw);
        ::cfmakeraw(&raw);
        ::tcsetattr(slave, TCSANOW, &raw);
        device = QString::fromLocal8Bit(::ttyname(slave));
    }
    ~Terminal() { hangUp(); }
    void hangUp()
    {
        for (int* fd : {&slave, &master}) {
            if (*fd >= 0) {
                ::close(*fd);
                *fd = -1;
            }
        }
    }
    bool send(const QByteArray& bytes) const
    {
        return ::write(master, bytes.constData(), size_t(bytes.size())) == bytes.size();
    }
};

double cpuSeconds()
{
    rusage use{};
    ::getrusage(RUSAGE_SELF, &use);
    return double(use.ru_utime.tv_sec + use.ru_stime.tv_sec) +
           double(use.ru_utime.tv_usec + use.ru_stime.tv_usec) / 1e6;
}

} // namespace

class TstCommPort : public QObject
{
    Q_OBJECT

private slots:
    void receivesFromAPseudoTerminal()
    {
        int master = -1;
        int slave = -1;
        QVERIFY(::openpty(&master, &slave, nullptr, nullptr, nullptr) == 0);
        termios raw{};
        ::tcgetattr(slave, &raw);
        ::cfmakeraw(&raw);
        ::tcsetattr(slave, TCSANOW, &raw);
        const QString device = QString::fromLocal8Bit(::ttyname(slave));

        QTemporaryDir program;
        QVERIFY(QDir(program.path()).mkdir("ports"));
        QVERIFY(QFile::link(device, program.filePath("ports/com3")));
        QCOMPARE(ports::devicePath(3, program.path()), program.filePath("ports/com3"));

        QtCommPort port(program.path());
        QVERIFY(port.setCommPort(3));
        QVERIFY(port.setSettings("4800,N,8,1"));
        QVERIFY(port.setInputLen(1));
        QVERIFY(port.setRThreshold(1));
        QVERIFY(port.setInBufferSize(4096));
        QVERIFY(port.setPortOpen(true));
        QVERIFY(port.setRTSEnable(true));
        QVERIFY(port.portOpen());

        QString got;
        connect(&port, &CommPort::OnComm, this, [&] {
            QCOMPARE(port.commEvent(), qint16(CommPort::comEvReceive));
            while (port.inBufferCount() > 0) {
                const QString c = port.input();
                QCOMPARE(c.size(), 1);
                got += c;
            }
        });
        const QByteArray sent = "$GPRMC,123519,A*6A\r\n\xb0";
        QCOMPARE(::write(master, sent.constData(), size_t(sent.size())), ssize_t(sent.size()));
        QTRY_COMPARE(got, QString::fromLatin1(sent));

        QVERIFY(port.setPortOpen(false));
        QVERIFY(!port.portOpen());
        ::close(slave);
        ::close(master);
    }

    // Unplugged mid-study: the port neither spins on the dead device nor gives
    // up; the receiver plugged back in is read again.
    void receiverUnpluggedAndPluggedBackIn()
    {
        auto first = std::make_unique<Terminal>();
        QVERIFY(!first->device.isEmpty());
        QTemporaryDir program;
        QVERIFY(QDir(program.path()).mkdir("ports"));
        const QString link = program.filePath("ports/com2");
        QVERIFY(QFile::link(first->device, link));

        QtCommPort port(program.path());
        QVERIFY(port.setCommPort(2));
        QVERIFY(port.setSettings("4800,N,8,1"));
        QVERIFY(port.setRThreshold(1));
        QVERIFY(port.setPortOpen(true));
        QByteArray got;
        connect(&port, &CommPort::OnComm, this, [&] {
            char buf[64];
            while (const qsizetype n = port.read(buf, sizeof buf)) {
                got.append(buf, n);
            }
        });
        QVERIFY(first->send("$GPGGA,1\r\n"));
        QTRY_COMPARE(got, QByteArray("$GPGGA,1\r\n"));

        first.reset(); // unplugged
        const double before = cpuSeconds();
        QTest::qWait(1500);
        QVERIFY2(cpuSeconds() - before < 0.5, "the dead device keeps the processor busy");
        QVERIFY(port.portOpen());

        Terminal second; // plugged back in, under the same port number
        QVERIFY(QFile::remove(link));
        QVERIFY(QFile::link(second.device, link));
        QTest::qWait(1500); // the next attempt opens it
        QVERIFY(second.send("$GPGGA,2\r\n"));
        QTRY_COMPARE(got, QByteArray("$GPGGA,1\r\n$GPGGA,2\r\n"));
        QVERIFY(port.setPortOpen(false));
    }

    void absentPortDoesNotOpen()
    {
        QTemporaryDir program;
        QtCommPort port(program.path());
        QVERIFY(port.setCommPort(32));
        QVERIFY(port.setSettings("4800,N,8,1"));
        QVERIFY(!port.setPortOpen(true));
        QVERIFY(!port.portOpen());
        QVERIFY(!port.setCommPort(0));
    }

    void settings_data()
    {
        QTest::addColumn<QString>("text");
        QTest::addColumn<bool>("valid");
        QTest::newRow("default") << "4800,N,8,1" << true;
        QTest::newRow("fast") << "115200,N,8,1" << true;
        QTest::newRow("even parity, two stops") << "9600,E,7,2" << true;
        QTest::newRow("one and a half stops") << "9600,N,5,1.5" << true;
        QTest::newRow("no speed") << ",N,8,1" << false;
        QTest::newRow("zero speed") << "0,N,8,1" << false;
        QTest::newRow("unknown parity") << "4800,X,8,1" << false;
        QTest::newRow("nine bits") << "4800,N,9,1" << false;
        QTest::newRow("three stops") << "4800,N,8,3" << false;
        QTest::newRow("missing part") << "4800,N,8" << false;
    }
    void settings()
    {
        QFETCH(QString, text);
        FakeCommPort port;
        QTEST(port.setSettings(text), "valid");
    }

    void fakeRaisesReceiveAtThreshold()
    {
        FakeCommPort port;
        QSignalSpy events(&port, &CommPort::OnComm);
        port.feed("abc"); // no threshold yet: no event
        QCOMPARE(events.count(), 0);
        port.setRThreshold(1);
        port.feed("de", 1);
        QCOMPARE(events.count(), 2);
        port.setInputLen(2);
        QCOMPARE(port.input(), QString("ab"));
        port.setInputLen(0);
        QCOMPARE(port.input(), QString("cde"));
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
