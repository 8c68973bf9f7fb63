#pragma once

#include <QDialog>
#include <QStringList>
#include <cstdint>
#include <optional>

class QBoxLayout;
class QButtonGroup;
class QLineEdit;
class QWidget;

namespace vantrel {

// What every dialog of the program is: wide enough for its title and the window buttons, and
// Tab walks its controls in the order a person reads them, whatever order they were made in.
class FittedDialog : public QDialog {
    Q_OBJECT
public:
    explicit FittedDialog(QWidget* parent = nullptr);

    // The width the title bar needs so that the title is not cut.
    static int titleWidth(const QWidget* window);

protected:
    void changeEvent(QEvent* event) override;
    void showEvent(QShowEvent* event) override;

private:
    void fitTitle();
};

// Reorders the Tab chain under root in drawing order: top to bottom, left to right, the
// controls of a box or a column together.
void orderTabsAsDrawn(QWidget* root);

// A titled box of radio buttons whose ids are their positions; index -1 leaves none checked.
QButtonGroup* addRadioGroup(QWidget* owner, QBoxLayout* layout, const QString& title,
                            const QStringList& labels, int checkedIndex);
// The checked position, -1 when none is.
int checkedIndex(const QButtonGroup* group);

// The rates of the baud codes 0..9, in code order, as the baud rate boxes list them.
const QStringList& baudRateLabels();

// The field followed by its unit ("ms", "seconds"), for a form row.
QBoxLayout* fieldWithUnit(QWidget* owner, QWidget* field, const QString& unit);

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
