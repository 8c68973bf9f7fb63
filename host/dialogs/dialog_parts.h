#pragma once

#include <QStringList>
#include <cstdint>
#include <optional>

class QBoxLayout;
class QButtonGroup;
class QDialog;
class QLineEdit;
class QWidget;

namespace vantrel {

// A titled box of radio buttons whose ids are their positions; index -1 leaves none checked.
QButtonGroup* addRadioGroup(QWidget* owner, QBoxLayout* layout, const QString& title,
                            const QStringList& labels, int checkedIndex);
// The checked position, -1 when none is.
int checkedIndex(const QButtonGroup* group);

// The rates of the baud codes 0..9, in code order, as the baud rate boxes list them.
const QStringList& baudRateLabels();

// OK and Cancel under the dialog's controls.
void addOkCancel(QDialog* dialog, QBoxLayout* layout);

// How a number field is read on OK.
struct IntegerFieldRule {
    std::int64_t typeMin = INT32_MIN;
    std::int64_t typeMax = INT32_MAX;
    bool isUnsigned = false;
    std::optional<std::int64_t> min;  // with max: the accepted range
    std::optional<std::int64_t> max;
};

// The field's integer; otherwise tells the operator what is wrong, focuses the field with its
// text selected and gives nothing, so the dialog stays open.
std::optional<std::int64_t> readIntegerField(QLineEdit* field, const IntegerFieldRule& rule);

// The operator's mistake as the message names it, empty when the text is acceptable.
QString integerFieldProblem(const QString& text, const IntegerFieldRule& rule,
                            std::int64_t* value = nullptr);

}  // namespace vantrel
