#pragma once
#include <QDialog>

class QDialogButtonBox;
class QFontComboBox;
class QGroupBox;
class QLabel;

class Ui_Dialog_TD
{
public:
    QLabel* label_2;
    QFontComboBox* fontComboBox;
    QGroupBox* groupBox_2;
    QLabel* label;
    QDialogButtonBox* buttonBox;
    void setupUi(QDialog* dialog);
};

// Chooses the label font family of the layout. Not modal.
class Dialog_TD : public QDialog
{
    Q_OBJECT
public:
    explicit Dialog_TD(QWidget* parent = nullptr);
    ~Dialog_TD() override;

    Ui_Dialog_TD* form() const { return ui; }
    QString chosenFamily() const { return chosen; }

public slots:
    void showdlg(QString family, QString title);

signals:
    void storefontfam(QString family);

private slots:
    void on_fontComboBox_currentTextChanged(const QString& family);
    void on_buttonBox_accepted();

private:
    void preview(const QString& family);

    Ui_Dialog_TD* ui;
    QString chosen;  // the family the preview shows; what OK hands over
};
