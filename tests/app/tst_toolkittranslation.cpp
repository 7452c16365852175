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
#include <QLineEdit>
#include <QMap>
#include <QMenu>
#include <QPrintDialog>
#include <QPrinter>
#include <QPushButton>
#include <QRegularExpression>
#include <QTemporaryDir>
#include <QTest>
#include <QTimer>

namespace {
const QString Catalogue = QLibraryInfo::path(QLibraryInfo::TranslationsPath) + QStringLiteral("/qtbase_ru.qm");

bool hasCyrillic(const QString& s)
{
    return s.contains(QRegularExpression(QStringLiteral("[\\x{0400}-\\x{04FF}]")));
}

// Every text the program's windows show, keyed by window and object: window titles,
// menus, actions, buttons, labels, group titles, combo box items, line edits, tool tips.
// The program names its widgets; of the toolkit's unnamed helpers only buttons (those
// of button boxes) and actions count, the rest come and go as the toolkit likes.
QMap<QString, QString> shownTexts()
{
    QMap<QString, QString> texts;
    for (QWidget* top : QApplication::topLevelWidgets()) {
        if (top->objectName().isEmpty() || qobject_cast<QMenu*>(top))
            continue;
        QList<QObject*> objects{top};
        objects += top->findChildren<QObject*>();
        int n = 0;
        for (QObject* o : objects) {
            if (o->objectName().isEmpty() && !qobject_cast<QAbstractButton*>(o) && !qobject_cast<QAction*>(o))
                continue;
            const QString key = top->objectName() + '/' + o->metaObject()->className() + ':' + o->objectName() + '#'
                                + QString::number(n++);
            QStringList t;
            if (auto* w = qobject_cast<QWidget*>(o)) {
                if (w->isWindow())
                    t << w->windowTitle();
                t << w->toolTip();
            }
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
            if (auto* e = qobject_cast<QLineEdit*>(o))
                t << e->text() << e->placeholderText();
            if (auto* c = qobject_cast<QComboBox*>(o))
                for (int i = 0; i < c->count(); ++i)
                    t << c->itemText(i);
            texts.insert(key, t.join('|'));
        }
    }
    return texts;
}

// The texts of the program's windows made afresh, as the program makes them at start.
QMap<QString, QString> textsOfNewWindows()
{
    MainWindow window;
    Dialog_COMport loader(nullptr);
    return shownTexts();
}

QStringList changedTexts(const QMap<QString, QString>& before, const QMap<QString, QString>& after)
{
    QStringList changed;
    for (auto it = before.cbegin(); it != before.cend(); ++it)
        if (after.value(it.key()) != it.value())
            changed << it.key() + ": '" + it.value() + "' -> '" + after.value(it.key()) + "'";
    return changed;
}

// Runs `open` (which shows a modal dialog), hands the dialog to `inspect` and closes it.
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

QStringList buttonTexts(QWidget* dialog)
{
    QStringList texts;
    for (QAbstractButton* b : dialog->findChildren<QPushButton*>())
        if (b->isVisible())
            texts << b->text();
    return texts;
}
}  // namespace

class TestToolkitTranslation : public QObject
{
    Q_OBJECT
    QMap<QString, QString> before;

private slots:
    void initTestCase()
    {
        if (!QFile::exists(Catalogue))
            QSKIP("qtbase_ru.qm not installed (Debian package qt6-translations-l10n)");
        before = textsOfNewWindows();
        QVERIFY(before.size() > 100);
    }

    // Without qtbase_ru.qm nothing is installed, even where a catalogue of another
    // language could be picked up by QTranslator's fallback to shorter file names.
    void missingCatalogueChangesNothing()
    {
        QTemporaryDir dir;
        QVERIFY(QFile::copy(QLibraryInfo::path(QLibraryInfo::TranslationsPath) + "/qtbase_de.qm",
                            dir.filePath("qtbase.qm")));
        QVERIFY(QFile::copy(Catalogue, dir.filePath("qtbase_ru_RU.qm")));
        QVERIFY(!installToolkitTranslation(*qApp, dir.path()));
        QVERIFY(!installToolkitTranslation(*qApp, dir.filePath("none")));
        QDialogButtonBox box(QDialogButtonBox::Cancel);
        QCOMPARE(box.button(QDialogButtonBox::Cancel)->text(), QStringLiteral("Cancel"));
        QCOMPARE(changedTexts(before, textsOfNewWindows()), QStringList());
    }

    void toolkitTextsInRussian()
    {
        QVERIFY(installToolkitTranslation(*qApp));
        QDialogButtonBox box(QDialogButtonBox::Ok | QDialogButtonBox::Cancel | QDialogButtonBox::Save);
        QCOMPARE(box.button(QDialogButtonBox::Cancel)->text(), QStringLiteral("Отмена"));
        QCOMPARE(box.button(QDialogButtonBox::Save)->text(), QStringLiteral("Сохранить"));

        QColorDialog colours;
        colours.setOption(QColorDialog::DontUseNativeDialog);
        colours.show();
        const QStringList colourButtons = buttonTexts(&colours);
        QVERIFY2(colourButtons.contains(QStringLiteral("Отмена")), qPrintable(colourButtons.join(", ")));
        for (QLabel* l : colours.findChildren<QLabel*>())
            QVERIFY2(l->text().isEmpty() || hasCyrillic(l->text()) || !l->text().contains(QRegularExpression("[a-z]{3}")),
                     qPrintable(l->text()));
    }

    // The file dialog the open command runs: the toolkit's parts Russian, the program's
    // title and filters exactly as it passes them.
    void fileDialogKeepsCaptionAndFilters()
    {
        const MainWindowHooks hooks = MainWindowHooks::defaults();
        QStringList filters, buttons, labels;
        QString title;
        inspectModal([&] { hooks.getOpenFileName(nullptr, "Select Keymap file", "/", "Key Map Files (*.kmp);;All Files (*)"); },
                     [&](QWidget* d) {
                         title = d->windowTitle();
                         for (QComboBox* c : d->findChildren<QComboBox*>("fileTypeCombo"))
                             for (int i = 0; i < c->count(); ++i)
                                 filters << c->itemText(i);
                         buttons = buttonTexts(d);
                         for (QLabel* l : d->findChildren<QLabel*>())
                             if (!l->text().isEmpty())
                                 labels << l->text();
                     });
        QCOMPARE(title, QStringLiteral("Select Keymap file"));
        QCOMPARE(filters, (QStringList{"Key Map Files (*.kmp)", "All Files (*)"}));
        QVERIFY2(buttons.contains(QStringLiteral("Отмена")), qPrintable(buttons.join(", ")));
        QVERIFY2(buttons.contains(QStringLiteral("&Открыть")), qPrintable(buttons.join(", ")));
        for (const QString& l : labels)
            QVERIFY2(hasCyrillic(l), qPrintable(l));
    }

    void printDialogKeepsItsTitle()
    {
        const MainWindowHooks hooks = MainWindowHooks::defaults();
        QPrinter printer;
        QString title;
        QStringList buttons;
        inspectModal([&] { hooks.execPrintDialog(printer, nullptr); },
                     [&](QWidget* d) {
                         title = d->windowTitle();
                         buttons = buttonTexts(d);
                     });
        QCOMPARE(title, QStringLiteral("Print Document"));
        QVERIFY2(buttons.contains(QStringLiteral("Отмена")), qPrintable(buttons.join(", ")));
        QVERIFY2(buttons.contains(QStringLiteral("&Печать")), qPrintable(buttons.join(", ")));
    }

    // Every text of the program's windows is the program's own and stays as it was.
    void programTextsUntouched()
    {
        const QMap<QString, QString> after = textsOfNewWindows();
        QCOMPARE(after.keys(), before.keys());
        QCOMPARE(changedTexts(before, after), QStringList());
    }
};

QTEST_MAIN(TestToolkitTranslation)
#include "tst_toolkittranslation.moc"
