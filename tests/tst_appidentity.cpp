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
        QList<QImage> pictures;
        const QDir icons(QStringLiteral(VERTZ_DATA_DIR "/icons"));
        for (const QString &file : icons.entryList({QStringLiteral("*.png")})) {
            pictures << QImage(icons.filePath(file)).convertToFormat(QImage::Format_ARGB32);
            drawn << pictures.last().size();
        }
        QVERIFY(drawn.size() >= 5);
        const QIcon icon = QApplication::windowIcon();
        QCOMPARE(icon.availableSizes(), drawn);
        // Each size comes from its own picture; a size between them from the next larger.
        for (qsizetype i = 0; i < drawn.size(); ++i)
            QCOMPARE(icon.pixmap(drawn[i]).toImage().convertToFormat(QImage::Format_ARGB32),
                     pictures[i]);
        QCOMPARE(icon.pixmap(QSize(20, 20)).size(), QSize(20, 20));
    }
};

QTEST_MAIN(TestAppIdentity)
#include "tst_appidentity.moc"
