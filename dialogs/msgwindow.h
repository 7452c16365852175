#pragma once
#include <QDialog>

class QDialogButtonBox;
class QLabel;

class Ui_msgwindow
{
public:
    QLabel* label;
    QDialogButtonBox* buttonBox;
    void setupUi(QDialog* dialog);
};

// The one message box of the editor: a line of text and OK. Showing it never blocks.
class msgwindow : public QDialog
{
    Q_OBJECT
public:
    explicit msgwindow(QWidget* parent = nullptr);
    ~msgwindow() override;

    Ui_msgwindow* form() const { return ui; }

public slots:
    void showmsg(QString text, QString title);
    void accept() override;

signals:
    void cls();

private:
    // `text` as the label shows it: a file's path that would be cut at the right edge is
    // shortened in the middle instead (and put on the label's second line when the reason
    // leaves it no room), so the reason before it and the file's own name both show.
    QString fitted(const QString& text) const;

    Ui_msgwindow* ui;
};
