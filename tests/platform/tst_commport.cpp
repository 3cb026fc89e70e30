// The serial port adapter on a real pseudo-terminal and on local TCP servers,
// the settings text, and how port numbers find their devices.

#include "Messages.h"
#include "PortDirectory.h"
#include "QtCommPort.h"
#include "QtPortProbe.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QProcess>
#include <QStandardPaths>
#include <QTcpServer>
#include <QTcpSocket>
#include <QTemporaryDir>
#include <QTest>

#include <ctime>
#include <optional>

#include <fcntl.h>
#include <grp.h>
#include <pty.h>
#include <sys/stat.h>
#include <sys/wait.h>
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
        // A write the port does not read yet fails rather than waits.
        ::fcntl(master, F_SETFL, O_NONBLOCK);
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

// Everything the port receives, into got, with "|" where the stream broke
// (it opened, a link dropped, a device hung up).
void collect(CommPort& port, QByteArray& got)
{
    QObject::connect(&port, &CommPort::OnComm, [&] {
        for (;;) {
            while (port.takeStreamCut()) {
                got.append('|');
            }
            char buf[64];
            const qsizetype n = port.read(buf, sizeof buf);
            if (n == 0) {
                break;
            }
            got.append(buf, n);
        }
    });
}

// A program folder whose ports/com1 holds entry, and the port for it.
struct NetworkPort
{
    QTemporaryDir program;
    QtCommPort port{program.path()};
    QByteArray got;
    QStringList status;

    explicit NetworkPort(const QString& entry)
    {
        QDir(program.path()).mkdir("ports");
        QFile file(program.filePath("ports/com1"));
        file.open(QIODevice::WriteOnly); // closed before the port is opened
        file.write(entry.toUtf8() + '\n');
        collect(port, got);
        QObject::connect(&port, &CommPort::linkStatus, [this](const QString& s) { status += s; });
        port.setRThreshold(1);
    }
};

// Why a port in folder does not open, to a user without rights: a child
// process of root's that has become nobody.
QString openFailureAsNobody(const QString& folder)
{
    int pipe[2];
    if (::pipe(pipe) != 0) {
        return {};
    }
    const pid_t child = ::fork();
    if (child == 0) {
        const bool dropped =
            ::setgroups(0, nullptr) == 0 && ::setgid(65534) == 0 && ::setuid(65534) == 0;
        QtCommPort port(folder);
        const QByteArray said = !dropped                 ? "still root"
                                : port.setPortOpen(true) ? "opened"
                                                         : port.openFailure().toUtf8();
        ::_exit(::write(pipe[1], said.constData(), size_t(said.size())) == said.size() ? 0 : 1);
    }
    ::close(pipe[1]);
    QFile in;
    in.open(pipe[0], QIODevice::ReadOnly, QFileDevice::AutoCloseHandle);
    const QByteArray said = in.readAll();
    ::waitpid(child, nullptr, 0);
    return QString::fromUtf8(said);
}

void writeEntry(const QString& path, const QString& entry)
{
    QFile file(path);
    QVERIFY(file.open(QIODevice::WriteOnly));
    file.write(entry.toUtf8() + '\n');
}

QTcpSocket* accepted(QTcpServer& server)
{
    return QTest::qWaitFor([&] { return server.hasPendingConnections(); }, 5000)
               ? server.nextPendingConnection()
               : nullptr;
}

} // namespace

class TstCommPort : public QObject
{
    Q_OBJECT

private slots:
    // Not plugged in, the port does not open. Unplugged mid-study, it lets go
    // of the dead device (left open, a hung-up device keeps a core busy) and
    // does not give up; plugged back in, it is read again. Each step waits
    // for what the port does, as long as a slow machine needs.
    void receiverUnpluggedAndPluggedBackIn()
    {
        auto first = std::make_optional<Terminal>();
        QVERIFY(!first->device.isEmpty());
        const QByteArray firstDevice = first->device.toLocal8Bit();
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
        collect(port, got);
        QVERIFY(first->send("$GPGGA,1\r\n\xb0")); // raw: all eight bits come through
        QTRY_COMPARE_WITH_TIMEOUT(got, QByteArray("|$GPGGA,1\r\n\xb0"), 30000);
        const auto heldOpen = [&firstDevice] {
            for (const QFileInfo& fd : QDir("/proc/self/fd").entryInfoList(QDir::System)) {
                if (fd.symLinkTarget().toLocal8Bit() == firstDevice) {
                    return true;
                }
            }
            return false;
        };
        QVERIFY(heldOpen());

        // Unplugged: the device goes, and its name with it (another program
        // may be given a pseudo-terminal's number at once).
        QVERIFY(QFile::remove(link) && QFile::link(program.filePath("gone"), link));
        first.reset();
        QTRY_VERIFY_WITH_TIMEOUT(got.endsWith('|'), 30000); // the break, told at once
        QVERIFY2(!heldOpen(), "the dead device is kept open");
        QVERIFY(port.portOpen());

        Terminal second; // plugged back in, under the same port number
        QVERIFY(QFile::remove(link) && QFile::link(second.device, link));
        // A later attempt opens it; what is sent before that may be lost, so
        // the sentence goes again until it comes through.
        QTRY_VERIFY_WITH_TIMEOUT((second.send("$GPGGA,2\r\n"), got.contains("$GPGGA,2")), 60000);
        // Nothing unfinished from before the break continues after it.
        QVERIFY(got.startsWith(QByteArray("|$GPGGA,1\r\n\xb0|$GPGGA,2\r\n")));
        QVERIFY(port.setPortOpen(false));
        QVERIFY(!port.portOpen());
    }

    // A plain NMEA stream reads as a serial line. Dropped, it is found again
    // and the data go on, the break marked where the sentence under way was cut; a server that
    // accepts and closes at once is tried again after growing pauses, without keeping a core busy.
    void tcpStreamLostAndFound()
    {
        QTcpServer server;
        QVERIFY(server.listen(QHostAddress::LocalHost));
        NetworkPort n(QString("tcp://127.0.0.1:%1").arg(server.serverPort()));
        QVERIFY(n.port.setPortOpen(true));
        QTcpSocket* peer = accepted(server);
        QVERIFY(peer);
        peer->write("$GPGGA,1\r\n$GPGGA,12"); // dropped mid-sentence
        QTRY_COMPARE(n.got, QByteArray("|$GPGGA,1\r\n$GPGGA,12"));
        peer->close();
        QTRY_VERIFY(n.status.last().startsWith("Lost the connection to tcp://127.0.0.1:"));
        QVERIFY((peer = accepted(server)));
        peer->write("$GPGGA,2\r\n");
        QTRY_COMPARE(n.got, QByteArray("|$GPGGA,1\r\n$GPGGA,12|$GPGGA,2\r\n"));

        int connections = 0;
        connect(&server, &QTcpServer::newConnection, this, [&] {
            while (QTcpSocket* c = server.nextPendingConnection()) {
                c->close();
                ++connections;
            }
        });
        peer->close();
        const std::clock_t before = std::clock();
        QTest::qWait(3000); // pauses of 0.5, 1 and 2 s
        QVERIFY2(connections >= 2 && connections <= 3, QByteArray::number(connections));
        QVERIFY2(std::clock() - before < CLOCKS_PER_SEC / 2, "retrying keeps it busy");
        QVERIFY2(n.status.last().endsWith("trying again in 2 s"), qPrintable(n.status.join('|')));
        // The set-up window's test of the port, the server gone (one that
        // listens: portsTestedTogether).
        QtPortProbe test(n.program.path());
        QStringList answers;
        connect(&test, &PortProbe::answered, this, [&](qint16, bool opens, const QString& why) {
            answers << QString::number(opens) + why.section(u':', -1);
        });
        server.close();
        test.ask(1);
        QTRY_COMPARE(answers, QStringList("0 Connection refused"));
    }

    // gpsd is asked for the device's own sentences, the device's name
    // escaped as JSON; its reports, even split across arrivals, never reach
    // the framing, and its errors go to the status line. The error is gpsd
    // 3.22's reply, which repeats the name unescaped.
    void gpsdSentencesWithoutReports()
    {
        QTcpServer server;
        QVERIFY(server.listen(QHostAddress::LocalHost));
        NetworkPort n(QString("gpsd://localhost:%1/dev/\"tty\x01").arg(server.serverPort()));
        QVERIFY(n.port.setPortOpen(true));
        QTcpSocket* gpsd = accepted(server);
        QVERIFY(gpsd);
        QByteArray watch;
        QTRY_VERIFY((watch += gpsd->readAll()).endsWith('\n'));
        QCOMPARE(watch, "?WATCH={\"device\":\"/dev/\\\"tty\\u0001\",\"enable\":true,\"raw\":1}\n");
        gpsd->write("{\"class\":\"VERSION\"}\n$GPRMC,1\r\n{\"class\":");
        QTRY_COMPARE(n.got, QByteArray("|$GPRMC,1\r\n"));
        gpsd->write("\"TPV\",\"tag\":\"$GPGGA\"}\n$GPGGA,2\r\n");
        QTRY_COMPARE(n.got, QByteArray("|$GPRMC,1\r\n$GPGGA,2\r\n"));
        gpsd->write("{\"class\":\"ERROR\",\"message\":\"No such device as /dev/\\\"tty\x01\"}\r\n");
        QTRY_COMPARE(n.status.last(),
                     QString("gpsd://localhost:%1/dev/\"tty\x01 says: No such device "
                             "as /dev/\"tty?")
                         .arg(server.serverPort()));
        QCOMPARE(n.got, QByteArray("|$GPRMC,1\r\n$GPGGA,2\r\n"));
    }

    // The set-up window's tests of network ports do not wait for each other:
    // a source that never answers is answered for last, though asked first,
    // and says so; a serial device is opened as before.
    void portsTestedTogether()
    {
        QTcpServer open, silent;
        QVERIFY(open.listen(QHostAddress::LocalHost));
        // Its queue of one held by a connection it never takes: the next is
        // left unanswered.
        silent.setListenBacklogSize(0);
        QVERIFY(silent.listen(QHostAddress::LocalHost));
        silent.pauseAccepting();
        QTcpSocket filler;
        filler.connectToHost(QHostAddress::LocalHost, silent.serverPort());
        QVERIFY(filler.waitForConnected(5000));
        Terminal receiver;
        QTemporaryDir program;
        QVERIFY(QDir(program.path()).mkdir("ports"));
        const auto entry = [&](int n, quint16 port) {
            writeEntry(program.filePath(QString("ports/com%1").arg(n)),
                       QString("tcp://127.0.0.1:%1").arg(port));
        };
        entry(1, silent.serverPort());
        entry(2, open.serverPort());
        QVERIFY(QFile::link(receiver.device, program.filePath("ports/com3")));

        QtPortProbe probe(program.path());
        QStringList answers;
        connect(&probe, &PortProbe::answered, this,
                [&](qint16 port, bool opens, const QString& why) {
                    answers << QString("%1 %2 %3").arg(port).arg(opens).arg(why);
                });
        for (qint16 port = 1; port <= 3; ++port) {
            probe.ask(port);
        }
        QTRY_COMPARE_WITH_TIMEOUT(answers.size(), 3, 5000);
        const QString silentName = QString("tcp://127.0.0.1:%1").arg(silent.serverPort());
        QCOMPARE(answers.last(), "1 0 " + silentName + ": no answer");
        answers.removeLast();
        answers.sort();
        QCOMPARE(answers, QStringList({"2 1 ", "3 1 "}));
    }

    void entries_data()
    {
        QTest::addColumn<QString>("line");
        QTest::addColumn<QString>("read"); // "!" and part of the message when malformed
        const char* const rows[][3] = {
            {"gpsd, all devices", "gpsd://localhost", "gpsd localhost:2947 "},
            {"gpsd, one device", "gpsd://10.0.0.2:3000/dev/ttyUSB0\r\n",
             "gpsd 10.0.0.2:3000 /dev/ttyUSB0"},
            {"tcp", " tcp://phone.local:10110 ", "tcp phone.local:10110 "},
            {"IPv6", "tcp://[::1]:5000", "tcp [::1]:5000 "},
            {"unknown scheme", "udp://host:5000", "!is neither gpsd://"},
            {"tcp without port", "tcp://host", "!tcp:// needs a port"},
            {"empty port", "tcp://host:", "!port \"\" is not a number"},
            {"port 0", "gpsd://host:0", "!from 1 to 65535"},
            {"port too high", "tcp://host:65536", "!from 1 to 65535"},
            {"no host", "tcp://:5000", "!no host"},
            {"tcp with a path", "tcp://host:5000/dev", "!takes no path"},
        };
        for (const auto& [name, line, read] : rows) {
            QTest::newRow(name) << QString(line) << QString(read);
        }
    }
    void entries()
    {
        QFETCH(QString, line);
        QFETCH(QString, read);
        const ports::PortEntry e = ports::parseEntry(line);
        if (read.startsWith('!')) {
            QCOMPARE(e.kind, ports::PortEntry::Kind::Invalid);
            QVERIFY2(e.problem.contains(read.mid(1)), qPrintable(e.problem));
        } else {
            const bool gpsd = e.kind == ports::PortEntry::Kind::Gpsd;
            QVERIFY(gpsd || e.kind == ports::PortEntry::Kind::Tcp);
            QCOMPARE((gpsd ? "gpsd " : "tcp ") + e.address() + ' ' + e.device, read);
        }
    }

    // A device another program reads is not opened; the message names it,
    // and for the two programs that usually hold receivers, what to do.
    void busyDeviceNamesItsHolder_data()
    {
        QTest::addColumn<QString>("program");
        QTest::addColumn<QString>("advice");
        QTest::newRow("gpsd") << "gpsd"
                              << "; use a gpsd:// port or stop gpsd";
        QTest::newRow("ModemManager")
            << "ModemManager"
            << "; it tries every new serial device as a modem: try again in a few seconds, or "
               "stop it with `sudo systemctl stop ModemManager`";
        QTest::newRow("another") << "minicom"
                                 << "";
    }
    void busyDeviceNamesItsHolder()
    {
        QFETCH(QString, program);
        QFETCH(QString, advice);
        const Terminal t;
        QTemporaryDir folder;
        QVERIFY(QDir(folder.path()).mkdir("ports"));
        QVERIFY(QFile::link(t.device, folder.filePath("ports/com1")));
        // sleep under the name of the program
        QVERIFY(QFile::copy(QStandardPaths::findExecutable("sleep"), folder.filePath(program)));
        QProcess holder;
        ::fcntl(t.master, F_SETFD, FD_CLOEXEC); // the holder does not feed the terminal
        holder.setStandardInputFile(t.device);
        holder.start(folder.filePath(program), {"30"});
        QVERIFY(holder.waitForStarted());
        QtCommPort port(folder.path());
        QVERIFY(!port.setPortOpen(true));
        QCOMPARE(port.openFailure(), QString("%1 is held by %2 (process %3)%4")
                                         .arg(QFileInfo(t.device).canonicalFilePath(), program)
                                         .arg(holder.processId())
                                         .arg(advice));
        holder.kill();
        holder.waitForFinished();
        QVERIFY(port.setPortOpen(true));
    }

    // A receiver's device that this user may not open, as Debian gives
    // ttyUSB devices to the group dialout: the message says so and what to
    // do. Checked as a user without rights (nobody, when run as root).
    void deviceOfAGroupSaysHowToJoinIt()
    {
        if (::geteuid() != 0) {
            QSKIP("giving the device to the group dialout needs root");
        }
        const Terminal t;
        const QByteArray device = QFileInfo(t.device).canonicalFilePath().toLocal8Bit();
        const ::group* dialout = ::getgrnam("dialout");
        QVERIFY(dialout && ::chown(device.constData(), 0, dialout->gr_gid) == 0);
        QCOMPARE(::chmod(device.constData(), 0660), 0);
        QTemporaryDir folder;
        QVERIFY(QDir(folder.path()).mkdir("ports"));
        QVERIFY(QFile::link(t.device, folder.filePath("ports/com1")));
        QVERIFY(QFile::setPermissions(folder.path(), QFile::ReadOwner | QFile::WriteOwner |
                                                         QFile::ExeOwner | QFile::ReadOther |
                                                         QFile::ExeOther));
        QCOMPARE(openFailureAsNobody(folder.path()),
                 QString::fromLocal8Bit(device) +
                     ": permission denied. It belongs to the group dialout; add yourself with "
                     "`sudo adduser $USER dialout` and log in again");
    }

    void settings_data()
    {
        QTest::addColumn<QString>("text");
        QTest::addColumn<bool>("valid");
        QTest::newRow("default") << "4800,N,8,1" << true;
        QTest::newRow("even parity, two stops") << "9600,E,7,2" << true;
        QTest::newRow("zero speed") << "0,N,8,1" << false;
        QTest::newRow("unknown parity") << "4800,X,8,1" << false;
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
