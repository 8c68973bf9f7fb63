#include "form1.h"

#include <QCloseEvent>
#include <QComboBox>
#include <QCoreApplication>
#include <QGridLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QMessageBox>
#include <QPushButton>
#include <QRadioButton>
#include <QVBoxLayout>
#include <thread>

namespace tembra {

namespace {

const QColor kGreen(0, 128, 0);
const QColor kRed(255, 0, 0);

QPushButton* makeButton(const char* name, const QString& caption, QWidget* parent) {
    auto* button = new QPushButton(caption, parent);
    button->setObjectName(QString::fromLatin1(name));
    return button;
}

QLabel* makeLabel(const char* name, const QString& caption, QWidget* parent) {
    auto* label = new QLabel(caption, parent);
    label->setObjectName(QString::fromLatin1(name));
    return label;
}

QComboBox* makeCombo(const char* name, const QStringList& items, QWidget* parent) {
    auto* combo = new QComboBox(parent);
    combo->setObjectName(QString::fromLatin1(name));
    combo->setEditable(true);
    // Typing a text must not add it to the fixed list.
    combo->setInsertPolicy(QComboBox::NoInsert);
    combo->addItems(items);
    return combo;
}

}  // namespace

Form1::Form1(Form1Options options, QWidget* parent)
    : QWidget(parent), options_(std::move(options)), comm_(new SerialLine(this)) {
    setObjectName(QStringLiteral("Form1"));
    setWindowTitle(QString::fromLatin1(kWindowTitle));
    comm_->setCommPort(setup_.portNumber);
    comm_->setSettings(setup_.portSettings);
    buildControls();
    showSetupValues();
    showStatus(QStringLiteral("Non in corso !"), kRed);
}

void Form1::buildControls() {
    receiveButton_ = makeButton("Command4", QStringLiteral("Ricezione dati"), this);
    statusLabel_ = makeLabel("Label19", QString(), this);
    infoButton_ = makeButton("Command3", QStringLiteral("Info"), this);
    exitButton_ = makeButton("Command2", QStringLiteral("Esci"), this);

    auto* bottomRow = new QHBoxLayout;
    bottomRow->addWidget(receiveButton_);
    bottomRow->addWidget(statusLabel_, 1);
    bottomRow->addWidget(infoButton_);
    bottomRow->addWidget(exitButton_);

    auto* layout = new QVBoxLayout(this);
    layout->addWidget(buildCommunicationGroup());
    layout->addWidget(buildUpdateGroup());
    layout->addLayout(bottomRow);

    connect(receiveButton_, &QPushButton::clicked, this, &Form1::receiveData);
    connect(infoButton_, &QPushButton::clicked, this, &Form1::showInfo);
    connect(exitButton_, &QPushButton::clicked, this, [this] { endProgram(0); });
}

QWidget* Form1::buildCommunicationGroup() {
    auto* group = new QGroupBox(QStringLiteral("Parametri di comunicazione"), this);
    portCombo_ = makeCombo("Combo1", {"COM1", "COM2", "COM3", "COM4"}, group);
    speedCombo_ = makeCombo("Combo2", {"2400", "9600", "19200", "38400"}, group);
    applyButton_ = makeButton("Command6", QStringLiteral("Applica"), group);

    auto* grid = new QGridLayout(group);
    grid->addWidget(makeLabel("Label1", QStringLiteral("Porta :"), group), 0, 0);
    grid->addWidget(portCombo_, 0, 1);
    grid->addWidget(makeLabel("Label2", QStringLiteral("Velocità :"), group), 1, 0);
    grid->addWidget(speedCombo_, 1, 1);
    grid->addWidget(applyButton_, 0, 2, 2, 1);

    connect(applyButton_, &QPushButton::clicked, this, &Form1::applySettings);
    return group;
}

QWidget* Form1::buildUpdateGroup() {
    auto* group = new QGroupBox(QStringLiteral("Tipo di aggiornamento"), this);
    appendOption_ = new QRadioButton(QStringLiteral("Aggiungi"), group);
    appendOption_->setObjectName(QStringLiteral("Option1"));
    appendOption_->setChecked(true);
    replaceOption_ = new QRadioButton(QStringLiteral("Sostituisci"), group);
    replaceOption_->setObjectName(QStringLiteral("Option2"));
    interruptButton_ = makeButton("Command1", QStringLiteral("Interrompi"), group);
    interruptButton_->setEnabled(false);

    auto* row = new QHBoxLayout(group);
    row->addWidget(appendOption_);
    row->addWidget(replaceOption_);
    row->addStretch(1);
    row->addWidget(interruptButton_);

    // Only sets the flag: the reception loop looks at it once per pass.
    connect(interruptButton_, &QPushButton::clicked, this, [this] { stopFlag_ = 1; });
    return group;
}

void Form1::showSetupValues() {
    portCombo_->setCurrentText(setup_.portText);
    speedCombo_->setCurrentText(setup_.speedText);
}

bool Form1::startUp() {
    appendOption_->setChecked(true);
    stopFlag_ = 0;
    const SetupReadResult result = readSetupFile(options_.setup.readPath, setup_);
    if (!result.ok) {
        QMessageBox::critical(this, QString::fromLatin1(kWindowTitle), result.error);
        return false;
    }
    showSetupValues();
    comm_->setCommPort(setup_.portNumber);
    comm_->setSettings(setup_.portSettings);
    return true;
}

// During a reception the open port keeps its settings; the new ones serve the next reception.
void Form1::applySettings() {
    setup_.portText = portCombo_->currentText();
    setup_.speedText = speedCombo_->currentText();
    choosePortFromTexts(setup_);
    comm_->setCommPort(setup_.portNumber);
    comm_->setSettings(setup_.portSettings);
    const QString error = writeSetupFile(options_.setup.writePath, setup_);
    if (!error.isEmpty()) QMessageBox::warning(this, QString::fromLatin1(kWindowTitle), error);
}

void Form1::receiveData() {
    if (receiving_) return;
    receiving_ = true;
    collector_.clear();
    stopFlag_ = 0;
    if (!comm_->open()) return fail(comm_->errorText());

    showStatus(QStringLiteral("Apertura seriale ..."), kGreen);
    pause(options_.timing.openPause);
    showStatus(QStringLiteral("Ricava nome file ..."));
    interruptButton_->setEnabled(true);
    receiveButton_->setEnabled(false);
    if (!openOutputFile()) return;

    showStatus(QStringLiteral("Costruzione file ..."));
    collector_.clear();
    const LoopEnd end = receiveLines();
    if (end != LoopEnd::ProgramEnding) finishReception(end);
}

bool Form1::openOutputFile() {
    const QString path = QFile::decodeName(setup_.outputFile);
    if (path.isEmpty()) {
        fail(
            QStringLiteral("Nome del file di uscita mancante in %1.").arg(options_.setup.readPath));
        return false;
    }
    output_.setFileName(path);
    const QIODevice::OpenMode mode =
        appendOption_->isChecked() ? QIODevice::Append : QIODevice::WriteOnly | QIODevice::Truncate;
    if (!output_.open(mode)) {
        fail(QStringLiteral("Impossibile aprire il file di uscita %1: %2")
                 .arg(path, output_.errorString()));
        return false;
    }
    return true;
}

Form1::LoopEnd Form1::receiveLines() {
    bool lineSeen = false;
    int idlePasses = 0;
    passCount_ = 0;
    for (;;) {
        QCoreApplication::processEvents(QEventLoop::AllEvents);
        if (ending_) return LoopEnd::ProgramEnding;
        if (stopFlag_ != 0) return LoopEnd::Interrupted;
        if (lineSeen) ++idlePasses;
        ++passCount_;

        const QByteArray chunk = comm_->input(lineSeen ? options_.timing.quietWait
                                                       : options_.timing.quietWaitBeforeFirstLine);
        if (!chunk.isEmpty()) {
            if (const auto line = collector_.take(chunk.at(0))) {
                if (!storeLine(*line)) return LoopEnd::ProgramEnding;
                lineSeen = true;
                idlePasses = 0;
            }
        }
        if (collector_.endMarkSeen() || idlePasses >= options_.timing.idlePassLimit) {
            return LoopEnd::Completed;
        }
    }
}

// Each line reaches the file at once, so ending the program or a crash loses nothing stored.
bool Form1::storeLine(const QByteArray& line) {
    const QByteArray record = line + "\r\n";
    if (output_.write(record) != record.size() || !output_.flush()) {
        fail(QStringLiteral("Impossibile scrivere il file di uscita %1: %2")
                 .arg(output_.fileName(), output_.errorString()));
        return false;
    }
    emit lineStored(line);
    return true;
}

void Form1::finishReception(LoopEnd end) {
    output_.close();
    if (end == LoopEnd::Completed) {
        showStatus(QStringLiteral("Eseguito ..."));
        pause(options_.timing.donePause);
    } else {
        showStatus(QStringLiteral("Annullato !"), kRed);
    }
    pause(options_.timing.closePause);
    comm_->close();
    interruptButton_->setEnabled(false);
    receiveButton_->setEnabled(true);
    showStatus(QStringLiteral("Non in corso !"), kRed);
    receiving_ = false;
    emit receptionEnded();
}

void Form1::showInfo() {
    QMessageBox box(
        QMessageBox::Information, QStringLiteral("Tembra Info."),
        QString::fromLatin1(kWindowTitle) + QStringLiteral("\n\nSoftware per scarico dati tramite\n"
                                                           "seriale RS232 da QL27."),
        QMessageBox::Ok, this);
    box.exec();
}

void Form1::fail(const QString& message) {
    QMessageBox::critical(this, QString::fromLatin1(kWindowTitle), message);
    endProgram(1);
}

void Form1::endProgram(int exitCode) {
    if (ending_) return;
    ending_ = true;
    stopFlag_ = 1;
    output_.close();
    comm_->close();
    close();
    emit programEnding(exitCode);
}

void Form1::closeEvent(QCloseEvent* event) {
    // Closing the window ends the program even in the middle of a reception.
    endProgram(0);
    event->accept();
}

void Form1::showStatus(const QString& text, const QColor& colour) {
    statusColour_ = colour;
    QPalette palette = statusLabel_->palette();
    palette.setColor(QPalette::WindowText, colour);
    statusLabel_->setPalette(palette);
    showStatus(text);
}

void Form1::showStatus(const QString& text) {
    statusLabel_->setText(text);
    // The pauses that follow some changes do not serve the window, so paint now.
    statusLabel_->repaint();
    emit statusShown(text, statusColour_);
}

void Form1::pause(std::chrono::milliseconds duration) {
    if (duration.count() > 0) std::this_thread::sleep_for(duration);
}

}  // namespace tembra
