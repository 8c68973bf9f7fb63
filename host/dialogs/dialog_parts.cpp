#include "dialog_parts.h"

#include <QApplication>
#include <QBoxLayout>
#include <QButtonGroup>
#include <QDialog>
#include <QDialogButtonBox>
#include <QEvent>
#include <QFormLayout>
#include <QGridLayout>
#include <QGroupBox>
#include <QLabel>
#include <QLayout>
#include <QLineEdit>
#include <QMessageBox>
#include <QRadioButton>
#include <algorithm>
#include "modal_boxes.h"

namespace vantrel {

namespace {

// Optional blanks, an optional sign and at least one digit, then optional blanks; anything
// else is not an integer. Values beyond 64 bits are not integers either.
std::optional<std::int64_t> parseInteger(const QString& text) {
    const QString trimmed = text.trimmed();
    if (trimmed.isEmpty()) return std::nullopt;
    const qsizetype digitsFrom = (trimmed[0] == '-' || trimmed[0] == '+') ? 1 : 0;
    if (digitsFrom == trimmed.size()) return std::nullopt;
    for (qsizetype i = digitsFrom; i < trimmed.size(); ++i) {
        if (!trimmed[i].isDigit() || trimmed[i].unicode() > '9') return std::nullopt;
    }
    bool ok = false;
    const qlonglong value = trimmed.toLongLong(&ok);
    if (!ok) return std::nullopt;
    return value;
}

void collectTabStops(QWidget* widget, QList<QWidget*>& stops);

// A layout's widgets as they are drawn: a box in its direction, a grid or a form row by row
// and each row from the left. Following the layouts rather than the pixels keeps a column
// of boxes together.
void collectFromLayout(QLayout* layout, QList<QWidget*>& stops) {
    struct Placed {
        int row, column;
        QLayoutItem* item;
    };
    QList<Placed> items;
    for (int i = 0; i < layout->count(); ++i) {
        int row = 0, column = i, span = 0;
        if (auto* grid = qobject_cast<QGridLayout*>(layout)) {
            grid->getItemPosition(i, &row, &column, &span, &span);
        } else if (auto* form = qobject_cast<QFormLayout*>(layout)) {
            QFormLayout::ItemRole role{};
            form->getItemPosition(i, &row, &role);
            column = role == QFormLayout::FieldRole ? 1 : 0;
        } else if (auto* box = qobject_cast<QBoxLayout*>(layout)) {
            const auto direction = box->direction();
            if (direction == QBoxLayout::RightToLeft || direction == QBoxLayout::BottomToTop)
                column = -i;
        }
        items.push_back({row, column, layout->itemAt(i)});
    }
    std::stable_sort(items.begin(), items.end(), [](const Placed& a, const Placed& b) {
        return a.row != b.row ? a.row < b.row : a.column < b.column;
    });
    for (const Placed& placed : items) {
        if (auto* widget = placed.item->widget())
            collectTabStops(widget, stops);
        else if (auto* inner = placed.item->layout())
            collectFromLayout(inner, stops);
    }
}

void collectTabStops(QWidget* widget, QList<QWidget*>& stops) {
    if (widget->isHidden() || (widget->isWindow() && !stops.isEmpty())) return;
    const bool stop = !widget->isWindow() && (widget->focusPolicy() & Qt::TabFocus);
    if (stop) stops.push_back(widget);
    if (widget->layout()) {
        collectFromLayout(widget->layout(), stops);
    } else if (!stop) {
        for (auto* child : widget->findChildren<QWidget*>(Qt::FindDirectChildrenOnly))
            collectTabStops(child, stops);
    }
}

}  // namespace

FittedDialog::FittedDialog(QWidget* parent) : QDialog(parent) {}

int FittedDialog::titleWidth(const QWidget* window) {
    // Window managers draw titles in a bold face of about the program's size; the buttons and
    // the icon take roughly a title bar's height each.
    QFont font = QApplication::font("QMdiSubWindowTitleBar");
    font.setBold(true);
    const QFontMetrics metrics(font);
    return metrics.horizontalAdvance(window->windowTitle()) + 6 * metrics.height() + 16;
}

void FittedDialog::fitTitle() {
    const int content = layout() ? layout()->totalMinimumSize().width() : 0;
    const int wanted = std::max(titleWidth(this), content);
    if (minimumWidth() != wanted) setMinimumWidth(wanted);
}

void FittedDialog::changeEvent(QEvent* event) {
    if (event->type() == QEvent::WindowTitleChange && isVisible()) fitTitle();
    QDialog::changeEvent(event);
}

void FittedDialog::showEvent(QShowEvent* event) {
    fitTitle();
    orderTabsAsDrawn(this);
    QDialog::showEvent(event);
}

void orderTabsAsDrawn(QWidget* root) {
    QList<QWidget*> stops;
    collectTabStops(root, stops);
    for (qsizetype i = 1; i < stops.size(); ++i) QWidget::setTabOrder(stops[i - 1], stops[i]);
}

QBoxLayout* fieldWithUnit(QWidget* owner, QWidget* field, const QString& unit) {
    auto* row = new QHBoxLayout;
    row->addWidget(field, 1);
    row->addWidget(new QLabel(unit, owner));
    return row;
}

QButtonGroup* addRadioGroup(QWidget* owner, QBoxLayout* layout, const QString& title,
                            const QStringList& labels, int checkedIndex) {
    auto* box = new QGroupBox(title, owner);
    auto* boxLayout = new QVBoxLayout(box);
    auto* group = new QButtonGroup(owner);
    group->setExclusive(true);
    for (int i = 0; i < labels.size(); ++i) {
        auto* button = new QRadioButton(labels[i], box);
        group->addButton(button, i);
        boxLayout->addWidget(button);
    }
    if (auto* chosen = group->button(checkedIndex)) chosen->setChecked(true);
    layout->addWidget(box);
    return group;
}

int checkedIndex(const QButtonGroup* group) {
    return group->checkedId();
}

void addOkCancel(QDialog* dialog, QBoxLayout* layout) {
    auto* buttons = new QDialogButtonBox(QDialogButtonBox::Ok | QDialogButtonBox::Cancel, dialog);
    QObject::connect(buttons, &QDialogButtonBox::accepted, dialog, &QDialog::accept);
    QObject::connect(buttons, &QDialogButtonBox::rejected, dialog, &QDialog::reject);
    layout->addWidget(buttons);
}

QString integerFieldProblem(const QString& text, const IntegerFieldRule& rule,
                            std::int64_t* value) {
    const auto parsed = parseInteger(text);
    if (rule.isUnsigned && text.trimmed().startsWith('-'))
        return "Please enter a positive integer.";
    if (!parsed || *parsed < rule.typeMin || *parsed > rule.typeMax)
        return "Please enter an integer.";
    if (rule.min && rule.max && (*parsed < *rule.min || *parsed > *rule.max)) {
        return QString("Please enter an integer between %1 and %2.")
            .arg(QString::number(*rule.min), QString::number(*rule.max));
    }
    if (value) *value = *parsed;
    return {};
}

std::optional<std::int64_t> readIntegerField(QLineEdit* field, const IntegerFieldRule& rule) {
    std::int64_t value = 0;
    const QString problem = integerFieldProblem(field->text(), rule, &value);
    if (problem.isEmpty()) return value;
    showMessageBox(field->window(), QMessageBox::Warning, QApplication::applicationName(), problem);
    field->setFocus();
    field->selectAll();
    return std::nullopt;
}

const QStringList& baudRateLabels() {
    static const QStringList labels = {"110",  "300",  "600",   "1200",  "2400",
                                       "4800", "9600", "19200", "38400", "57600"};
    return labels;
}

}  // namespace vantrel
