#pragma once

#include <optional>
#include <string>

class QWidget;

namespace vantrel {

class HostServices;

// What terminal commands ask of the operator; the window answers with message boxes and
// dialogs, tests with scripted answers.
class OperatorPrompts {
public:
    virtual ~OperatorPrompts() = default;
    // A box with an OK button and the program's caption; stop adds the stop icon.
    virtual void showMessage(const std::string& text, bool stop) = 0;
    // A box with an OK button and a caption of its own.
    virtual void showMessageWithCaption(const std::string& text, const std::string& caption) = 0;
    // The file-open dialog; nothing when cancelled.
    virtual std::optional<std::string> chooseFile(const std::string& caption) = 0;
    // A question with Yes and No buttons and the program's caption; true for Yes. No is the
    // default: an unattended run never takes the other way.
    virtual bool askYesNo(const std::string& text) = 0;
};

// The note for an entry that one request cannot carry whole: "The <what> is too long ...".
std::string tooLongForRequest(const std::string& what);

// Message boxes and dialogs owned by the view.
class MessageBoxPrompts final : public OperatorPrompts {
public:
    explicit MessageBoxPrompts(QWidget* owner) : owner_(owner) {}

    void showMessage(const std::string& text, bool stop) override;
    void showMessageWithCaption(const std::string& text, const std::string& caption) override;
    std::optional<std::string> chooseFile(const std::string& caption) override;
    bool askYesNo(const std::string& text) override;

private:
    QWidget* owner_;
};

}  // namespace vantrel
