#include <gtest/gtest.h>

#include <QLineEdit>
#include <QListWidget>

#include "dial_phone_dlg.h"
#include "dialog_buttons.h"
#include "modal_answerer.h"
#include "phone_book.h"
#include "phone_book_dlg.h"

using namespace vantrel;

namespace {

std::vector<std::string> texts(const CPhoneBookDlg& dialog) {
    return dialog.entries();
}

}  // namespace

TEST(HostDialupPhoneBookDialog, ListsSortedAddsAndRefusesEmptyFields) {
    CPhoneBookDlg dialog({storedPhoneEntry("Zed", "9"), storedPhoneEntry("Amy", "1")});
    EXPECT_EQ(dialog.windowTitle(), "PHONE BOOK");
    EXPECT_EQ(texts(dialog), (std::vector<std::string>{storedPhoneEntry("Amy", "1"),
                                                       storedPhoneEntry("Zed", "9")}));
    EXPECT_EQ(dialog.list()->currentRow(), 0);

    dialog.nameField()->setText("Max");
    dialog.numberField()->setText("77");
    dialog.addNew();
    EXPECT_EQ(texts(dialog)[1], "Max" + std::string(27, ' ') + "77");
    EXPECT_EQ(dialog.list()->currentRow(), 1);

    for (auto [name, number] : {std::pair{"", "5"}, std::pair{"Name", ""}}) {
        dialog.nameField()->setText(name);
        dialog.numberField()->setText(number);
        ModalAnswerer answerer(ModalAnswerer::pressButton(QMessageBox::Ok));
        answerer.keepAnswering();
        dialog.addNew();
        EXPECT_EQ(answerer.lastText(), "Phone no and name can't be empty !");
        dialog.modifySelected();
        EXPECT_EQ(answerer.answered(), 2);
    }
    EXPECT_EQ(dialog.entries().size(), 3u);

    // The fields hold no more than the settings file keeps.
    EXPECT_EQ(dialog.nameField()->maxLength(), 30);
    EXPECT_EQ(dialog.numberField()->maxLength(), 20);
}

TEST(HostDialupPhoneBookDialog, DeleteModifyAndDoubleClick) {
    CPhoneBookDlg dialog(
        {typedPhoneEntry("A", "1"), typedPhoneEntry("B", "2"), typedPhoneEntry("C", "3")});
    dialog.list()->setCurrentRow(2);
    dialog.deleteSelected();
    EXPECT_EQ(dialog.entries().size(), 2u);
    EXPECT_EQ(dialog.list()->currentRow(), 1);  // the one before it
    dialog.list()->setCurrentRow(0);
    dialog.deleteSelected();
    EXPECT_EQ(dialog.list()->currentRow(), 0);  // the first, when the first went
    EXPECT_EQ(dialog.entries(), (std::vector<std::string>{typedPhoneEntry("B", "2")}));

    dialog.takeIntoFields(0);
    EXPECT_EQ(dialog.nameField()->text(), "B");
    EXPECT_EQ(dialog.numberField()->text(), "2");
    dialog.numberField()->setText("2222");
    dialog.nameField()->setText("Anna");
    dialog.modifySelected();
    EXPECT_EQ(dialog.entries(), (std::vector<std::string>{typedPhoneEntry("Anna", "2222")}));
    EXPECT_EQ(dialog.list()->currentRow(), 0);

    dialog.deleteSelected();
    dialog.deleteSelected();  // nothing left: nothing happens
    EXPECT_TRUE(dialog.entries().empty());
}

TEST(HostDialupPhoneBookDialog, HundredEntriesAreTheLimit) {
    std::vector<std::string> full;
    for (int i = 0; i < 100; ++i) full.push_back(typedPhoneEntry("N" + std::to_string(i), "1"));
    CPhoneBookDlg dialog(full);
    dialog.nameField()->setText("One more");
    dialog.numberField()->setText("2");
    ModalAnswerer answerer(ModalAnswerer::pressButton(QMessageBox::Ok));
    dialog.addNew();
    EXPECT_EQ(answerer.answered(), 1);
    EXPECT_EQ(dialog.entries().size(), 100u);
}

TEST(HostDialupPhoneBookDialog, OkHandsBackTheListAndCancelNothing) {
    const std::vector<std::string> start = {typedPhoneEntry("A", "1")};
    {
        ModalAnswerer answerer([](QWidget* widget) {
            auto* dialog = qobject_cast<CPhoneBookDlg*>(widget);
            dialog->nameField()->setText("B");
            dialog->numberField()->setText("2");
            pressButtonNamed(dialog, "Add new");
            pressDialogButton(dialog, QDialogButtonBox::Ok);
        });
        const auto edited = CPhoneBookDlg::ask(start, nullptr);
        ASSERT_TRUE(edited);
        EXPECT_EQ(*edited,
                  (std::vector<std::string>{typedPhoneEntry("A", "1"), typedPhoneEntry("B", "2")}));
    }
    ModalAnswerer answerer([](QWidget* widget) {
        pressButtonNamed(widget, "Delete");
        pressDialogButton(widget, QDialogButtonBox::Cancel);
    });
    EXPECT_FALSE(CPhoneBookDlg::ask(start, nullptr));
}

TEST(HostDialupDialPhoneDialog, ConnectNeedsASelectionAndADoubleClickChooses) {
    const std::vector<std::string> entries = {storedPhoneEntry("Zed", "9"),
                                              storedPhoneEntry("Amy", "1")};
    CDialPhoneDlg dialog(entries);
    EXPECT_EQ(dialog.windowTitle(), "Dial Phone No.");
    dialog.list()->clearSelection();
    {
        ModalAnswerer answerer(ModalAnswerer::pressButton(QMessageBox::Ok));
        pressButtonNamed(&dialog, "Connect");
        EXPECT_EQ(answerer.lastText(), "Please select one item");
    }
    EXPECT_NE(dialog.result(), QDialog::Accepted);

    emit dialog.list()->itemDoubleClicked(dialog.list()->item(0));
    EXPECT_EQ(dialog.result(), QDialog::Accepted);
    EXPECT_EQ(dialog.chosenEntry(), storedPhoneEntry("Amy", "1"));  // sorted
}
