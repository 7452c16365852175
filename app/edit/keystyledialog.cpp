#include "keystyledialog.h"

#include <QColorDialog>
#include <QComboBox>
#include <QDialogButtonBox>
#include <QFormLayout>
#include <QPainter>
#include <QPushButton>
#include <QSpinBox>

#include <optional>

namespace {
const QString Mixed = QStringLiteral("разные");
const QStringList StyleNames{QStringLiteral("обычный"), QStringLiteral("жирный"), QStringLiteral("курсив"),
                             QStringLiteral("жирный курсив")};
const QStringList DirectionNames{QStringLiteral("горизонтально"), QStringLiteral("вертикально")};
constexpr int OffsetLimit = 9999;

QColor toQColor(TColor c) { return QColor(c.red, c.green, c.blue); }
TColor toTColor(const QColor& c) { return TColor{uint8_t(c.red()), uint8_t(c.green()), uint8_t(c.blue())}; }

// The one value all `values` share, or none when they differ.
template <class T>
std::optional<T> common(const QList<T>& values)
{
    if (values.isEmpty() || std::any_of(values.begin(), values.end(), [&](const T& v) { return !(v == values.first()); }))
        return std::nullopt;
    return values.first();
}

void showColour(QPushButton* b, std::optional<TColor> c)
{
    if (!c) {
        b->setIcon(QIcon());
        b->setText(Mixed);
        return;
    }
    QPixmap swatch(24, 16);
    swatch.fill(toQColor(*c));
    QPainter(&swatch).drawRect(swatch.rect().adjusted(0, 0, -1, -1));
    b->setIcon(QIcon(swatch));
    b->setText(toQColor(*c).name());
}

// A spin box whose lowest value stands for "the keys differ".
QSpinBox* mixedSpinBox(int lo, int hi, const char* name)
{
    auto* s = new QSpinBox;
    s->setObjectName(QString::fromLatin1(name));
    s->setRange(lo - 1, hi);
    s->setSpecialValueText(Mixed);
    return s;
}

void showNumber(QSpinBox* s, std::optional<int> v)
{
    s->setValue(v && *v > s->minimum() && *v <= s->maximum() ? *v : s->minimum());
}

// The items, and "разные" after them when the keys differ.
void showChoice(QComboBox* c, const QStringList& items, std::optional<int> v)
{
    c->clear();
    c->addItems(items);
    if (v && *v >= 0 && *v < items.size()) {
        c->setCurrentIndex(*v);
    } else {
        c->addItem(Mixed);
        c->setCurrentIndex(int(items.size()));
    }
}
}  // namespace

KeyStyleDialog::KeyStyleDialog(QWidget* parent)
    : QDialog(parent)
{
    setObjectName(QStringLiteral("KeyStyleDialog"));
    setWindowTitle(QStringLiteral("Оформление выбранных клавиш"));
    setModal(true);
    chooseColour = [](const QColor& initial, QWidget* p) {
        return QColorDialog::getColor(initial, p, QStringLiteral("Выбор цвета"));
    };
    m_background = new QPushButton;
    m_background->setObjectName(QStringLiteral("background"));
    m_lines = new QComboBox;
    m_lines->setObjectName(QStringLiteral("lines"));
    m_lines->addItem(QStringLiteral("все пять"));
    for (int l = 1; l <= LabelLines; ++l)
        m_lines->addItem(QString::number(l));
    m_textColour = new QPushButton;
    m_textColour->setObjectName(QStringLiteral("textColour"));
    m_size = mixedSpinBox(0, 255, "size");
    m_style = new QComboBox;
    m_style->setObjectName(QStringLiteral("style"));
    m_direction = new QComboBox;
    m_direction->setObjectName(QStringLiteral("direction"));
    m_x = mixedSpinBox(-OffsetLimit, OffsetLimit, "offsetX");
    m_y = mixedSpinBox(-OffsetLimit, OffsetLimit, "offsetY");
    for (QPushButton* b : {m_background, m_textColour})
        b->setAutoDefault(false);

    auto* form = new QFormLayout;
    form->addRow(QStringLiteral("Фон:"), m_background);
    form->addRow(QStringLiteral("Надпись:"), m_lines);
    form->addRow(QStringLiteral("Цвет текста:"), m_textColour);
    form->addRow(QStringLiteral("Размер:"), m_size);
    form->addRow(QStringLiteral("Начертание:"), m_style);
    form->addRow(QStringLiteral("Направление:"), m_direction);
    form->addRow(QStringLiteral("Смещение по X:"), m_x);
    form->addRow(QStringLiteral("Смещение по Y:"), m_y);
    auto* buttons = new QDialogButtonBox(QDialogButtonBox::Ok | QDialogButtonBox::Cancel);
    buttons->button(QDialogButtonBox::Ok)->setText(QStringLiteral("OK"));
    buttons->button(QDialogButtonBox::Cancel)->setText(QStringLiteral("Отмена"));
    form->addRow(buttons);
    setLayout(form);

    connect(buttons, &QDialogButtonBox::accepted, this, &QDialog::accept);
    connect(buttons, &QDialogButtonBox::rejected, this, &QDialog::reject);
    connect(m_background, &QPushButton::clicked, this, &KeyStyleDialog::pickBackground);
    connect(m_textColour, &QPushButton::clicked, this, &KeyStyleDialog::pickTextColour);
    connect(m_lines, &QComboBox::currentIndexChanged, this, &KeyStyleDialog::showValues);
    const auto onNumber = [this](QSpinBox* s, auto set) {
        connect(s, &QSpinBox::valueChanged, this, [this, s, set](int v) {
            if (!m_showing && v > s->minimum())
                changeLines([&](KeyLine& line) { set(line, v); });
        });
    };
    onNumber(m_size, [](KeyLine& line, int v) { line.size = uint8_t(v); });
    onNumber(m_x, [](KeyLine& line, int v) { line.pos.x = v; });
    onNumber(m_y, [](KeyLine& line, int v) { line.pos.y = v; });
    connect(m_style, &QComboBox::currentIndexChanged, this, [this](int i) {
        if (!m_showing && i >= 0 && i < StyleNames.size())
            changeLines([i](KeyLine& line) { line.style = TFontStyle(i); });
    });
    connect(m_direction, &QComboBox::currentIndexChanged, this, [this](int i) {
        if (!m_showing && i >= 0 && i < DirectionNames.size())
            changeLines([i](KeyLine& line) { line.vertical = i == 1; });
    });
}

void KeyStyleDialog::load(const QList<KeyData>& keys)
{
    m_work = keys;
    m_lines->setCurrentIndex(0);
    showValues();
    m_lines->setFocus();
}

QList<int> KeyStyleDialog::chosenLines() const
{
    const int i = m_lines->currentIndex();
    return i <= 0 ? QList<int>{0, 1, 2, 3, 4} : QList<int>{i - 1};
}

void KeyStyleDialog::changeLines(const std::function<void(KeyLine&)>& change)
{
    for (KeyData& k : m_work)
        for (int l : chosenLines())
            change(k.lines[l]);
    showValues();
}

void KeyStyleDialog::pickBackground()
{
    const std::optional<TColor> now = common([&] {
        QList<TColor> all;
        for (const KeyData& k : m_work)
            all << k.background;
        return all;
    }());
    const QColor c = chooseColour(now ? toQColor(*now) : Qt::white, this);
    if (!c.isValid())
        return;
    for (KeyData& k : m_work)
        k.background = toTColor(c);
    showValues();
}

void KeyStyleDialog::pickTextColour()
{
    QList<TColor> all;
    for (const KeyData& k : m_work)
        for (int l : chosenLines())
            all << k.lines[l].colour;
    const std::optional<TColor> now = common(all);
    const QColor c = chooseColour(now ? toQColor(*now) : Qt::black, this);
    if (c.isValid())
        changeLines([&](KeyLine& line) { line.colour = toTColor(c); });
}

void KeyStyleDialog::showValues()
{
    m_showing = true;
    QList<TColor> backgrounds, colours;
    QList<int> sizes, styles, directions, xs, ys;
    for (const KeyData& k : m_work) {
        backgrounds << k.background;
        for (int l : chosenLines()) {
            const KeyLine& line = k.lines[l];
            colours << line.colour;
            sizes << line.size;
            styles << int(line.style);
            directions << (line.vertical ? 1 : 0);
            xs << line.pos.x;
            ys << line.pos.y;
        }
    }
    showColour(m_background, common(backgrounds));
    showColour(m_textColour, common(colours));
    showNumber(m_size, common(sizes));
    showChoice(m_style, StyleNames, common(styles));
    showChoice(m_direction, DirectionNames, common(directions));
    showNumber(m_x, common(xs));
    showNumber(m_y, common(ys));
    m_showing = false;
}
