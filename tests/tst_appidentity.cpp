// The program's identity as the desktop sees it: the build's version, the
// desktop entry it belongs to, and a window icon in every size drawn for it.
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
        QList<QSize> drawn;
        const QDir icons(QStringLiteral(VERTZ_DATA_DIR "/icons"));
        for (const QString &file : icons.entryList({QStringLiteral("*.png")}))
            drawn << QImage(icons.filePath(file)).size();
        QVERIFY(drawn.size() >= 5);
        QCOMPARE(QApplication::windowIcon().availableSizes(), drawn);
    }
};

QTEST_MAIN(TestAppIdentity)
#include "tst_appidentity.moc"
