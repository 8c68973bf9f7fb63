// Drives Form1 from inside its own reception loop: the loop serves events once per pass, so
// timers placed here act while a reception runs, as an operator would.
#pragma once

#include <gtest/gtest.h>

#include <QAbstractButton>
#include <QByteArray>
#include <QColor>
#include <QList>
#include <QMessageBox>
#include <QObject>
#include <QString>
#include <QTemporaryDir>
#include <QTimer>
#include <functional>
#include <memory>
#include <vector>

#include "form1.h"

// Readable failure messages for Qt values.
inline void PrintTo(const QString& text, std::ostream* os) {
    *os << '"' << text.toStdString() << '"';
}
inline void PrintTo(const QByteArray& bytes, std::ostream* os) {
    *os << '"' << bytes.toPercentEncoding(" !#$&'()*+,/:;=?@[]").toStdString() << '"';
}
inline void PrintTo(const QStringList& texts, std::ostream* os) {
    *os << '{' << texts.join("|").toStdString() << '}';
}

namespace tembra::test {

// Runs each step's action once its condition holds, in order, checking every few milliseconds.
class Script : public QObject {
public:
    Script();
    Script& when(std::function<bool()> condition, std::function<void()> action);
    bool finished() const { return next_ >= steps_.size(); }

private:
    void poll();
    struct Step {
        std::function<bool()> condition;
        std::function<void()> action;
    };
    std::vector<Step> steps_;
    std::size_t next_ = 0;
    QTimer timer_;
};

struct SeenBox {
    QString title;
    QString text;
    QMessageBox::Icon icon;
    int buttonCount;
};

// Answers every message box that opens while it lives, pressing its first button.
class BoxAnswerer : public QObject {
public:
    BoxAnswerer();
    const QList<SeenBox>& seen() const { return seen_; }
    void clear() { seen_.clear(); }

private:
    void answer();
    QList<SeenBox> seen_;
    QTimer timer_;
};

struct SeenStatus {
    QString text;
    QColor colour;
};

// A temporary folder with Setup.ini and the output file, and a Form1 reading them.
class ReceiverFixture : public ::testing::Test {
protected:
    ReceiverFixture();
    // Boxes that a test did not look for are a failure.
    void expectNoBoxes() const;

    QString path(const QString& name) const { return dir_.filePath(name); }
    QString outputPath() const { return path(QStringLiteral("out.txt")); }
    void writeFile(const QString& name, const QByteArray& bytes) const;
    QByteArray readFile(const QString& name) const;
    QByteArray output() const { return readFile(QStringLiteral("out.txt")); }

    // Setup.ini naming COM<port> at `speed` and the fixture's output file.
    void writeSetup(int port, const QString& speed = QStringLiteral("19200"));

    // Builds the window with short pauses and starts it up; records statuses and stored lines.
    Form1& startForm(ReceptionTiming timing = fastTiming());
    static ReceptionTiming fastTiming();

    // Clicks "Ricezione dati" and returns once the reception is over. A reception still
    // running after `limitMs` fails the test and is interrupted.
    void receive(int limitMs = 20000);

    template <typename T>
    T* control(const char* name) const {
        T* found = form_->findChild<T*>(QString::fromLatin1(name));
        if (!found) ADD_FAILURE() << "no control " << name;
        return found;
    }
    void click(const char* name) const { control<QAbstractButton>(name)->click(); }
    QStringList statusTexts() const;

    // Answers any box a test causes, so none can block; tests look at what it saw.
    BoxAnswerer boxes_;
    QTemporaryDir dir_;
    std::unique_ptr<Form1> form_;
    QList<SeenStatus> statuses_;
    QList<QByteArray> storedLines_;
    QList<int> endings_;
};

}  // namespace tembra::test
