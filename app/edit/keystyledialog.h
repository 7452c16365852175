#pragma once
// "Оформление выбранных клавиш": the background and, for one label line or all five,
// the text colour, size, style, direction and offset of several keys at once. A field
// that differs between the keys shows "разные"; only what the user changes is applied.
#include "keydata.h"

#include <QDialog>
#include <QList>

#include <functional>

class QComboBox;
class QPushButton;
class QSpinBox;

class KeyStyleDialog : public QDialog
{
    Q_OBJECT
public:
    explicit KeyStyleDialog(QWidget* parent = nullptr);

    // The keys to style; what the dialog shows and changes from now on.
    void load(const QList<KeyData>& keys);
    // The keys as the user left them: every field not changed as it was.
    const QList<KeyData>& result() const { return m_work; }

    // How a colour is chosen (the toolkit's colour dialog); tests answer it themselves.
    std::function<QColor(const QColor& initial, QWidget* parent)> chooseColour;

private:
    QList<int> chosenLines() const;
    // Runs `change` on the chosen lines of every key, then shows the result.
    void changeLines(const std::function<void(KeyLine&)>& change);
    void pickBackground();
    void pickTextColour();
    void showValues();

    QList<KeyData> m_work;
    bool m_showing = false;
    QPushButton* m_background;
    QComboBox* m_lines;
    QPushButton* m_textColour;
    QSpinBox* m_size;
    QComboBox* m_style;
    QComboBox* m_direction;
    QSpinBox* m_x;
    QSpinBox* m_y;
};
