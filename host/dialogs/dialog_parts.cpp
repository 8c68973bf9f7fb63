#include "dialog_parts.h"

#include <QApplication>
#include <QBoxLayout>
#include <QButtonGroup>
#include <QDialog>
#include <QDialogButtonBox>
#include <QGroupBox>
#include <QLineEdit>
#include <QMessageBox>
#include <QRadioButton>
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

}  // namespace

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
