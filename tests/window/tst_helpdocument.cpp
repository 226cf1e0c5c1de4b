// Help opens the working directory's manual, else the first installed copy that exists,
// else names the working directory's path.
#include "support/TestWindow.h"

#include "app/HelpDocument.h"
#include "app/Unit1.h"

#include <QDir>
#include <QFile>
#include <QTemporaryDir>
#include <QtTest>

class HelpDocumentTest : public QObject {
    Q_OBJECT
private slots:
    void workingDirectoryThenInstalledCopiesInOrder()
    {
        QTemporaryDir root;
        QVERIFY(root.isValid());
        const QDir dir(root.path());
        for (const char* sub : {"work", "docdir", "app/bin", "app/share/doc/rfmodtool"})
            QVERIFY(dir.mkpath(sub));
        const QString work = dir.filePath("work");
        const QString inWork = dir.filePath("work/readme.doc");
        const QString inDocDir = dir.filePath("docdir/readme.doc");
        const QString besideProgram = dir.filePath("app/share/doc/rfmodtool/readme.doc");
        const auto touch = [](const QString& path) {
            QFile f(path);
            return f.open(QIODevice::WriteOnly);
        };
        // the order N20Click passes: configured doc dir, then the one beside the program
        const QStringList fallbacks{inDocDir, dir.filePath("app/bin/../share/doc/rfmodtool/readme.doc")};

        // none there: the working directory's path, which the warning names
        QCOMPARE(HelpDocumentPath(work, fallbacks), inWork);
        // only beside the program: that one, written without the ".."
        QVERIFY(touch(besideProgram));
        QCOMPARE(HelpDocumentPath(work, fallbacks), besideProgram);
        // the configured doc dir comes before it
        QVERIFY(touch(inDocDir));
        QCOMPARE(HelpDocumentPath(work, fallbacks), inDocDir);
        // the working directory's own manual wins over both
        QVERIFY(touch(inWork));
        QCOMPARE(HelpDocumentPath(work, fallbacks), inWork);
        // the installed copies: the configured doc dir, then the one beside the program
        const QStringList installed = InstalledHelpDocuments(dir.filePath("app/bin"));
        QCOMPARE(installed.size(), 2);
        QVERIFY(installed.first().endsWith("/rfmodtool/readme.doc"));
        QCOMPARE(QDir::cleanPath(installed.last()), besideProgram);
    }

    // The manual is there but the desktop has no program for it: that is what the box says.
    void aManualNoProgramOpensIsNamedAsSuch()
    {
        TestWindow w("", false);
        const QString path = QDir::toNativeSeparators(QDir(w.dir.path()).filePath("readme.doc"));
        QFile doc(path);
        QVERIFY(doc.open(QIODevice::WriteOnly));
        doc.close();
        w.form->N20Click();
        QCOMPARE(w.ui.messages, QStringList{QString::fromUtf8("帮助文件 %1 存在，但系统中没有设置打开它的程序（请安装或指定一个能打开 .doc 文件的文字处理程序）。").arg(path)});
    }
};

QTEST_MAIN(HelpDocumentTest)
#include "tst_helpdocument.moc"
