// The toolkit's Russian texts loaded at start: its dialogs and standard buttons speak
// Russian, while every text the program sets itself stays as it was.
#include "dialog_comport.h"
#include "mainwindow.h"
#include "mainwindowhooks.h"
#include "startup.h"

#include <QAbstractButton>
#include <QApplication>
#include <QColorDialog>
#include <QComboBox>
#include <QDialogButtonBox>
#include <QFile>
#include <QGroupBox>
#include <QLabel>
#include <QMenu>
#include <QPrinter>
#include <QPushButton>
#include <QTemporaryDir>
#include <QTest>
#include <QTimer>

namespace {
const QString Translations = QLibraryInfo::path(QLibraryInfo::TranslationsPath);

// Every text of the program's windows, made afresh as at start, keyed by window and
// object: titles, menus, actions, buttons, labels, group titles, combo box items, tool
// tips. Of the toolkit's unnamed helpers only buttons and actions count; the others
// come and go as the toolkit likes.
QMap<QString, QString> textsOfNewWindows()
{
    MainWindow window;  // with the key properties, message and font windows
    Dialog_COMport loader(nullptr);
    QMap<QString, QString> texts;
    for (QWidget* top : QApplication::topLevelWidgets()) {
        if (top->objectName().isEmpty() || qobject_cast<QMenu*>(top))
            continue;
        QList<QObject*> objects = top->findChildren<QObject*>();
        objects.prepend(top);
        int n = 0;
        for (QObject* o : objects) {
            if (o->objectName().isEmpty() && !qobject_cast<QAbstractButton*>(o) && !qobject_cast<QAction*>(o))
                continue;
            QStringList t;
            if (auto* w = qobject_cast<QWidget*>(o))
                t << w->windowTitle() << w->toolTip();
            if (auto* a = qobject_cast<QAction*>(o))
                t << a->text() << a->toolTip();
            if (auto* m = qobject_cast<QMenu*>(o))
                t << m->title();
            if (auto* b = qobject_cast<QAbstractButton*>(o))
                t << b->text();
            if (auto* l = qobject_cast<QLabel*>(o))
                t << l->text();
            if (auto* g = qobject_cast<QGroupBox*>(o))
                t << g->title();
            if (auto* c = qobject_cast<QComboBox*>(o))
                for (int i = 0; i < c->count(); ++i)
                    t << c->itemText(i);
            texts.insert(QStringLiteral("%1/%2:%3#%4").arg(top->objectName(), o->metaObject()->className(), o->objectName()).arg(n++),
                         t.join('|'));
        }
    }
    return texts;
}

QStringList changedTexts(const QMap<QString, QString>& before, const QMap<QString, QString>& after)
{
    QStringList changed;
    for (auto it = before.cbegin(); it != before.cend(); ++it)
        if (!after.contains(it.key()) || after.value(it.key()) != it.value())
            changed << it.key() + ": '" + it.value() + "' -> '" + after.value(it.key(), "(gone)") + "'";
    return changed;
}

QStringList buttonTexts(QWidget* dialog)
{
    QStringList texts;
    for (QAbstractButton* b : dialog->findChildren<QPushButton*>())
        if (b->isVisible())
            texts << b->text();
    return texts;
}

// Runs `open`, which shows a modal dialog, hands the dialog to `inspect` and closes it.
void inspectModal(const std::function<void()>& open, const std::function<void(QWidget*)>& inspect)
{
    bool seen = false;
    QTimer poll;
    QObject::connect(&poll, &QTimer::timeout, [&] {
        if (QWidget* d = QApplication::activeModalWidget()) {
            poll.stop();
            seen = true;
            inspect(d);
            QTest::keyClick(d, Qt::Key_Escape);
        }
    });
    poll.start(20);
    open();
    QVERIFY2(seen, "no modal dialog was shown");
}
}  // namespace

class TestToolkitTranslation : public QObject
{
    Q_OBJECT
    QMap<QString, QString> before;

private slots:
    void initTestCase()
    {
        if (!QFile::exists(Translations + "/qtbase_ru.qm"))
            QSKIP("qtbase_ru.qm not installed (Debian package qt6-translations-l10n)");
        before = textsOfNewWindows();
        QVERIFY(before.size() > 100);
    }

    // Nothing is installed without qtbase_ru.qm, not even a catalogue of another
    // language that QTranslator's fallback to shorter file names would pick up.
    void missingCatalogueChangesNothing()
    {
        QTemporaryDir dir;
        QVERIFY(QFile::copy(Translations + "/qtbase_de.qm", dir.filePath("qtbase.qm")));
        QVERIFY(QFile::copy(Translations + "/qtbase_ru.qm", dir.filePath("qtbase_ru_RU.qm")));
        QVERIFY(!installToolkitTranslation(*qApp, dir.path()));
        QVERIFY(!installToolkitTranslation(*qApp, dir.filePath("none")));
        QCOMPARE(QDialogButtonBox(QDialogButtonBox::Cancel).buttons().value(0)->text(), QStringLiteral("Cancel"));
        QCOMPARE(changedTexts(before, textsOfNewWindows()), QStringList());
    }

    void standardButtonsInRussian()
    {
        QVERIFY(installToolkitTranslation(*qApp));
        QDialogButtonBox box(QDialogButtonBox::Cancel | QDialogButtonBox::Save);
        QCOMPARE(box.button(QDialogButtonBox::Cancel)->text(), QStringLiteral("Отмена"));
        QCOMPARE(box.button(QDialogButtonBox::Save)->text(), QStringLiteral("Сохранить"));
        QColorDialog colours;
        colours.setOption(QColorDialog::DontUseNativeDialog);
        colours.show();
        QVERIFY2(buttonTexts(&colours).contains(QStringLiteral("Отмена")), qPrintable(buttonTexts(&colours).join(", ")));
    }

    // The file and print dialogs the commands run: the toolkit's buttons in Russian, the
    // program's title and filters exactly as it passes them.
    void fileAndPrintDialogs()
    {
        const MainWindowHooks hooks = MainWindowHooks::defaults();
        QStringList filters, buttons;
        QString title;
        const auto look = [&](QWidget* d) {
            title = d->windowTitle();
            buttons = buttonTexts(d);
            filters.clear();
            for (QComboBox* c : d->findChildren<QComboBox*>("fileTypeCombo"))
                for (int i = 0; i < c->count(); ++i)
                    filters << c->itemText(i);
        };
        inspectModal([&] { hooks.getOpenFileName(nullptr, "Select Keymap file", "/", "Key Map Files (*.kmp);;All Files (*)"); },
                     look);
        QCOMPARE(title, QStringLiteral("Select Keymap file"));
        QCOMPARE(filters, (QStringList{"Key Map Files (*.kmp)", "All Files (*)"}));
        QVERIFY2(buttons.contains("&Открыть") && buttons.contains("Отмена"), qPrintable(buttons.join(", ")));

        QPrinter printer;
        inspectModal([&] { hooks.execPrintDialog(printer, nullptr); }, look);
        QCOMPARE(title, QStringLiteral("Print Document"));
        QVERIFY2(buttons.contains("&Печать") && buttons.contains("Отмена"), qPrintable(buttons.join(", ")));
    }

    // Every text of the program's windows is the program's own and stays as it was.
    void programTextsUntouched()
    {
        const QMap<QString, QString> after = textsOfNewWindows();
        QCOMPARE(after.size(), before.size());
        QCOMPARE(changedTexts(before, after), QStringList());
    }
};

QTEST_MAIN(TestToolkitTranslation)
#include "tst_toolkittranslation.moc"
