// The program's identity as the desktop sees it: the build's version, the
// desktop entry it belongs to, and a window icon drawn in every size we ship.
#include "app/AppIdentity.h"

#include <QApplication>
#include <QDir>
#include <QIcon>
#include <QImage>
#include <QtTest>

class TestAppIdentity : public QObject {
    Q_OBJECT

private slots:
    void identity()
    {
        setUpAppIdentity();
        QCOMPARE(QApplication::applicationVersion(), QStringLiteral(VERTZ_EXPECTED_VERSION));
        QCOMPARE(QGuiApplication::desktopFileName(), QStringLiteral(VERTZ_EXPECTED_APP_ID));

        const QList<QSize> sizes = QApplication::windowIcon().availableSizes();
        const QDir drawn(QStringLiteral(VERTZ_DATA_DIR "/icons"));
        const QStringList files = drawn.entryList({QStringLiteral("*.png")}, QDir::Files);
        QVERIFY(files.size() >= 5);
        for (const QString &file : files) {
            const QSize size = QImage(drawn.filePath(file)).size();
            QVERIFY2(sizes.contains(size), qPrintable(file));
        }
        QCOMPARE(sizes.size(), files.size());
    }
};

QTEST_MAIN(TestAppIdentity)
#include "tst_appidentity.moc"
