// What the set-up dialog accepts before writing anything.

#include "SetupRules.h"
#include "TestSupport.h"

#include <QTest>

class TstSetupRules : public QObject
{
    Q_OBJECT

private slots:
    void prefix_data()
    {
        QTest::addColumn<QString>("prefix");
        QTest::addColumn<bool>("accepted");
        QTest::newRow("plain") << "Test" << true;
        QTest::newRow("spaces and dots") << "Main St. v2" << true;
        QTest::newRow("empty") << "" << true;
        QTest::newRow("leading dot") << ".hidden" << true;
        for (const char* bad : {"a\\b", "a/b", "C:x", "a*", "a?", "a\"b", "a<b", "a>b", "a|b"}) {
            QTest::newRow(bad) << bad << false;
        }
        QTest::newRow("parent folder") << "..x" << false;
        QTest::newRow("control character") << "a\tb" << false;
    }
    void prefix()
    {
        QFETCH(QString, prefix);
        QTEST(setup::prefixProblem(prefix).isEmpty(), "accepted");
    }

    // The number box when OK is pressed.
    void studyNumber_data()
    {
        QTest::addColumn<QString>("text");
        QTest::addColumn<bool>("valid");
        QTest::addColumn<int>("number");
        QTest::newRow("one") << "1" << true << 1;
        QTest::newRow("empty is 0") << "" << true << 0;
        QTest::newRow("negative") << "-4" << true << -4;
        QTest::newRow("half to even") << "2.5" << true << 2;
        QTest::newRow("number then letters") << "3a" << false << 0;
        QTest::newRow("letter") << "a" << false << 0;
        QTest::newRow("lone minus") << "-" << false << 0;
        QTest::newRow("lone point") << "." << false << 0;
    }
    void studyNumber()
    {
        QFETCH(QString, text);
        QFETCH(bool, valid);
        const std::optional<qint16> n = setup::studyNumber(text);
        QCOMPARE(n.has_value(), valid);
        QTEST(int(n.value_or(0)), "number");
    }

    // The folder must be whole in the preferences and a full path.
    void folder_data()
    {
        QTest::addColumn<QString>("folder");
        QTest::addColumn<QString>("problem"); // the start of the message, or ""
        QTest::newRow("ordinary") << native("/home/operator/Studies/") << "";
        QTest::newRow("78 bytes") << native("/" + QString(76, u'f') + "/") << "";
        QTest::newRow("79 bytes") << native("/" + QString(77, u'f') + "/")
                                  << native("The folder /ff");
        QTest::newRow("code page") << native("/d/\u20AC\u00E9/") << "";
        QTest::newRow("outside the code page")
            << native("/d/\u0141\u00F3d\u017A/") << native("The folder /d/");
        QTest::newRow("relative") << "Data Files/"
                                  << "The remembered";
        QTest::newRow("no separator, as when cut") << native("/srv/stud") << "The remembered";
        QTest::newRow("empty") << ""
                               << "The remembered";
    }
    void folder()
    {
        QFETCH(QString, folder);
        QFETCH(QString, problem);
        const QString got = setup::folderProblem(folder);
        QVERIFY2(problem.isEmpty() ? got.isEmpty() : got.startsWith(problem), qPrintable(got));
    }

    void port_data()
    {
        QTest::addColumn<QString>("text");
        QTest::addColumn<bool>("valid");
        QTest::addColumn<int>("port");
        QTest::newRow("three") << "3" << true << 3;
        QTest::newRow("whole part") << "3.9" << true << 3;
        QTest::newRow("not a number") << "COM" << true << 0;
        QTest::newRow("largest") << "32767" << true << 32767;
        QTest::newRow("too large") << "99999" << false << 0;
        QTest::newRow("too small") << "-40000" << false << 0;
    }
    void port()
    {
        QFETCH(QString, text);
        QFETCH(bool, valid);
        const std::optional<qint16> p = setup::portNumber(text);
        QCOMPARE(p.has_value(), valid);
        if (valid) {
            QTEST(int(*p), "port");
        }
    }
};

QTEST_APPLESS_MAIN(TstSetupRules)
#include "tst_setuprules.moc"
