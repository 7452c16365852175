#pragma once
#include "keytypes.h"
#include "layoutsource.h"
#include "layoutsteps.h"
#include "mainwindowhooks.h"

#include <QMainWindow>
#include <QPixmap>
#include <QPointer>
#include <QResizeEvent>

#include <memory>

class QLabel;
class QPushButton;
class KeyMapImgClass;
class msgwindow;
class Dialog_COMport;
class BtnPropDialog;
class Dialog_TD;
class Ui_MainWindow;
class KeyFocusFrame;
class KeyGridInput;
class KeySelection;
class KeySelectionFrame;
class KeyStyleDialog;
class QMenu;
class QMimeData;
class QUndoStack;
class QTimer;
class RecoveryJournal;
struct LeftJournal;

// The click slot of every key button, on_pushButton_<col+1>_<row+1>_clicked(), bound
// to its button by object name. One column of six at a time; moc expands these too.
#define RASKLADKA_KEY_SLOT(c, r) \
    void on_pushButton_##c##_##r##_clicked() { openKeyProperties(c - 1, r - 1); }
#define RASKLADKA_KEY_COLUMN(c) \
    RASKLADKA_KEY_SLOT(c, 1) RASKLADKA_KEY_SLOT(c, 2) RASKLADKA_KEY_SLOT(c, 3) \
    RASKLADKA_KEY_SLOT(c, 4) RASKLADKA_KEY_SLOT(c, 5) RASKLADKA_KEY_SLOT(c, 6)

// The editor's window: the grid of 78 key buttons in a layout view or a scan-code view.
class MainWindow : public QMainWindow, private LayoutEditor
{
    Q_OBJECT
public:
    explicit MainWindow(QWidget* parent = nullptr);
    ~MainWindow() override;

    enum ViewMode { LayoutView = 0, ScanCodeView = 1 };

    void refreshBtn(int col, int row);
    void refreshAllBtns();

    // For tests and tools that drive the window.
    int currentViewMode() const { return viewMode; }
    KeyMapImgClass* model() const { return keyMapImg; }
    QPushButton* keyButton(int col, int row) const { return keyButtons[keyIndex(col, row)]; }
    Ui_MainWindow* form() const { return ui; }
    QLabel* statusLabelWidget() const { return statusLabel; }
    msgwindow* messageWindow() const { return msgWnd; }
    BtnPropDialog* propertiesDialog() const { return btnPropDialog; }
    Dialog_TD* labelFontDialog() const { return fontDialog; }
    Dialog_COMport* loaderDialog() const;
    void setHooks(const MainWindowHooks& h) { hooks = h; }

    // Opens a .btv, .kmp, .json or .csv (a whole layout) the way the open commands do, with
    // their view, title and messages, after asking about unsaved changes: a file named
    // on the command line or dropped on the window. An unreadable file is reported; one
    // that is no regular file is refused unopened (openableFile).
    void openFile(const QString& path);

    // Changed since it was made, opened or saved as a button view.
    bool isModified() const;
    QUndoStack* undoHistory() const { return undoStack; }
    QLabel* modifiedMark() const { return modifiedLabel; }
    QMenu* keyContextMenu() const { return keyMenu; }
    // The window's own editing actions (also on the key's menu), by what they do.
    enum EditAction {
        Copy, Paste, PasteCodes, PasteLabel, Clear, StyleKeys, SelectAll, ClearSelection, Undo, Redo, EditActionCount
    };
    QAction* editAction(EditAction which) const { return editActions[which]; }
    KeyFocusFrame* focusFrame() const { return keyFocusFrame; }
    // The keys chosen with Ctrl or Shift, their outline, and their count at the right of the status bar.
    KeySelection* keySelection() const { return selection; }
    KeySelectionFrame* selectionFrame() const { return keySelectionFrame; }
    QLabel* selectionMark() const { return selectionLabel; }
    KeyStyleDialog* keyStyleDialog() const { return styleDialog; }

    // The scan-code view's face of one key: its codes in "Courier New" bold 12.
    static QPixmap scanCodeFace(const TKeyMap& map, QSize size, qreal ratio = 1.0);
    static QString buildText();

    // From now on the layout is copied into a recovery journal in `folder` about two
    // seconds after each change, while it differs from its file.
    void enableRecoveryJournal(const QString& folder);
    // At start: offers the layout an editor that did not end cleanly left in the
    // journal folder, and reports and sets aside damaged journals.
    void offerRecovery();
    // The right of the status bar: says when the journal cannot be written, or one it
    // came from cannot be removed.
    QLabel* journalMark() const { return journalLabel; }
    // Also there: why the last file to open was refused unopened (a folder, a pipe, a device).
    QLabel* openProblemMark() const { return openProblemLabel; }
    // And what to do when the loader was refused its port for want of rights.
    QLabel* portAccessMark() const { return portAccessLabel; }

signals:
    void quit();
    void showmsg(QString text, QString title);

private slots:
    void setBtnMapFromDialog(int col, int row, TKeyMap keymap, QString* pname, bool link, TColor* pbtnnamecolor,
                             TBtnNamePosition* pbtnnamepos, unsigned char* pbtnnamesize, TColor btncolor,
                             TFontStyle* pfontstyle, bool* vertname);
    void UncheckBtn(int col, int row);
    void close_dialog_comport();
    void changeFont(QString family);
    void rxmsg(QString msg);
    RASKLADKA_KEY_COLUMN(1) RASKLADKA_KEY_COLUMN(2) RASKLADKA_KEY_COLUMN(3) RASKLADKA_KEY_COLUMN(4)
    RASKLADKA_KEY_COLUMN(5) RASKLADKA_KEY_COLUMN(6) RASKLADKA_KEY_COLUMN(7) RASKLADKA_KEY_COLUMN(8)
    RASKLADKA_KEY_COLUMN(9) RASKLADKA_KEY_COLUMN(10) RASKLADKA_KEY_COLUMN(11) RASKLADKA_KEY_COLUMN(12)
    RASKLADKA_KEY_COLUMN(13)
    void on_actionExit_triggered();
    void on_OpenKeyMap_triggered();
    void on_OpenBtnMap_triggered();
    void on_SaveKeyMap_triggered();
    void on_SaveBtnMap_triggered();
    void on_Setfont_triggered();
    void on_Print_triggered();
    void on_ShowScancodes_triggered();
    void on_ShowBtnLabels_triggered();
    void on_ComPortOpen_triggered();
    void resizeEvent(QResizeEvent* event) override;
    void on_AddKeyMapToBtv_triggered();
    void on_PrintKeyMap_triggered();
    void on_About_triggered();
    void on_ReadKeyMap_triggered();

protected:
    void closeEvent(QCloseEvent* event) override;
    void dragEnterEvent(QDragEnterEvent* event) override;
    void dropEvent(QDropEvent* event) override;

private:
    // The editor the undo steps work through.
    KeyMapImgClass& layout() override { return *keyMapImg; }
    void redrawKeys(const QList<QPoint>& keys) override;
    void redrawAllKeys() override { refreshAllBtns(); }

    // Undo history, the modified mark, the editing actions and the key menu, the
    // keyboard and drag and drop on the keys.
    void setUpEditing();
    void updateUndoTexts();
    // Records a change the layout already holds (made since `before`) as one step.
    void recordChanges(const QString& name, const LayoutKeys& before);
    // Makes `after` the content of the keys it names, as one step.
    void changeKeys(const QString& name, const QList<QPair<QPoint, KeyData>>& after);
    QPoint editTarget() const;
    void copyKey(QPoint key);
    void pasteKey(QPoint key, KeyData::Part part);
    void clearKey(QPoint key);
    void showKeyMenu(QPoint key, QPoint globalPos);
    void startKeyDrag(QPoint key);
    void dropOnKey(QPoint key, const QMimeData* mime, bool copy);
    void followFocus(QWidget* now);

    // Working on several keys (mainwindow_select.cpp): the chosen keys, or else the
    // key the actions act on.
    void setUpSelection();
    QList<QPoint> editTargets() const;
    void chooseKey(QPoint key, Qt::KeyboardModifiers modifiers);
    void chooseStep(QPoint from, QPoint to);
    void showSelection();
    void copyKeys(const QList<QPoint>& keys);
    void pasteBlock(QPoint at, KeyData::Part part);
    void clearKeys(const QList<QPoint>& keys);
    // The chosen keys dragged by `source` and dropped with it on `key`.
    void dropBlock(QPoint source, QPoint key, bool copy);
    void openStyleDialog();
    void applyStyle();

    // Unsaved changes: asks, and saves when told to. False: the command must stop.
    bool maybeSaveChanges();
    // The button view save; false when its file dialog was cancelled or the write failed.
    bool saveButtonView();
    void openKeymapBytes(const QString& name, const QByteArray& bytes);
    void openButtonViewBytes(const QString& name, const QByteArray& bytes);
    void openTextLayoutBytes(LayoutKind kind, const QString& name, const QByteArray& bytes);

    // One handler for all 78 key buttons: the properties of (col, row), shown without waiting.
    void openKeyProperties(int col, int row);
    void setViewMode(int mode);
    // Font check of the layout view, the label sheet and an opened layout: false,
    // with the message and the scan-code view, when `family` cannot be drawn here.
    bool labelFontUsable(const QString& family);
    // Opening a file starts from a new model.
    void replaceModel(const QString& file);
    void showFileInTitle(const QString& file);
    void reportBadCodeCount();
    // The open-file dialog for a keymap, then its first 881 bytes, checked; false
    // when cancelled, unreadable (silently) or refused (with the message).
    bool askForKeymap(const QString& caption, QString& name, QByteArray& bytes);
    // The status bar's mark of a refused open, and the check that sets it: false, with
    // the reason there, for what is no regular file (its command then ends unopened);
    // true, the mark cleared, otherwise.
    void setUpOpenProblem();
    void setUpPortAccessMark();
    void showPortAccess(bool refused);
    bool openableFile(const QString& path);
    // The file's checked keymap bytes; false after the check's message.
    bool checkedKeymap(const QByteArray& bytes);
    static QIcon windowIconFor(const QString& fileName, const QString& fallbackResource);

    QPushButton* keyButtons[KeyCount];
    KeyMapImgClass* keyMapImg = nullptr;
    Ui_MainWindow* ui = nullptr;
    BtnPropDialog* btnPropDialog = nullptr;
    msgwindow* msgWnd = nullptr;
    int viewMode = ScanCodeView;
    QPointer<Dialog_COMport> comportwind;
    Dialog_TD* fontDialog = nullptr;
    QLabel* statusLabel = nullptr;
    MainWindowHooks hooks = MainWindowHooks::defaults();

    QUndoStack* undoStack = nullptr;
    QLabel* modifiedLabel = nullptr;
    QAction* editActions[EditActionCount] = {};
    QMenu* keyMenu = nullptr;
    KeyGridInput* gridInput = nullptr;
    KeyFocusFrame* keyFocusFrame = nullptr;
    KeySelection* selection = nullptr;
    KeySelectionFrame* keySelectionFrame = nullptr;
    QLabel* selectionLabel = nullptr;
    QLabel* openProblemLabel = nullptr;
    QLabel* portAccessLabel = nullptr;
    KeyStyleDialog* styleDialog = nullptr;
    // The keys the open style dialog works on.
    QList<QPoint> styledKeys;
    // The key the open key menu acts on; otherwise the actions act on the focused key.
    QPoint menuKey{-1, -1};
    // "Выход" has had its answer about unsaved changes while it quits.
    bool exitAnswered = false;

    // The file the layout was last opened from or saved to as a button view.
    QString currentFile;
    std::unique_ptr<RecoveryJournal> journal;
    QTimer* journalTimer = nullptr;
    QLabel* journalLabel = nullptr;
    QString journalProblem;  // why the journal was last not written
    void updateJournal();
    void showJournalState();
    void dropJournal();
    void restoreLayout(LeftJournal& left);
};
