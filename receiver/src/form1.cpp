#include "form1.h"

#include <QCloseEvent>
#include <QComboBox>
#include <QCoreApplication>
#include <QFile>
#include <QGridLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QMessageBox>
#include <QPushButton>
#include <QRadioButton>
#include <QVBoxLayout>
#include <thread>

#include "port_choice.h"

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
    configureLine();
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
    setTabOrderAsDrawn();
}

void Form1::setTabOrderAsDrawn() {
    QWidget* const order[] = {portCombo_,       deviceList_,    deviceField_,  refreshButton_,
                              speedCombo_,      applyButton_,   appendOption_, replaceOption_,
                              interruptButton_, receiveButton_, infoButton_,   exitButton_};
    for (std::size_t i = 1; i < std::size(order); ++i) {
        setTabOrder(order[i - 1], order[i]);
    }
}

QWidget* Form1::buildCommunicationGroup() {
    auto* group = new QGroupBox(QStringLiteral("Parametri di comunicazione"), this);
    portCombo_ = makeCombo("Combo1", {"COM1", "COM2", "COM3", "COM4"}, group);
    speedCombo_ = makeCombo("Combo2", {"2400", "9600", "19200", "38400"}, group);
    applyButton_ = makeButton("Command6", QStringLiteral("Applica"), group);

    deviceList_ = new QListWidget(group);
    deviceList_->setObjectName(QStringLiteral("List1"));
    deviceList_->addItem(QString());  // the default device, named by showDevicePart()
    // Room for a stable by-id name, which is long.
    deviceList_->setMinimumWidth(deviceList_->fontMetrics().averageCharWidth() * 64);
    deviceList_->setMaximumHeight(deviceList_->fontMetrics().height() * 7);
    deviceField_ = new QLineEdit(group);
    deviceField_->setObjectName(QStringLiteral("Text1"));
    refreshButton_ = makeButton("Command7", QStringLiteral("Aggiorna"), group);
    deviceNote_ = makeLabel("Label4", QString(), group);
    deviceNote_->setWordWrap(true);

    auto* grid = new QGridLayout(group);
    grid->addWidget(makeLabel("Label1", QStringLiteral("Porta :"), group), 0, 0);
    grid->addWidget(portCombo_, 0, 1);
    grid->addWidget(makeLabel("Label3", QStringLiteral("Dispositivo :"), group), 1, 0,
                    Qt::AlignTop);
    grid->addWidget(deviceList_, 1, 1, 1, 2);
    grid->addWidget(deviceField_, 2, 1);
    grid->addWidget(refreshButton_, 2, 2);
    grid->addWidget(deviceNote_, 3, 1, 1, 2);
    grid->addWidget(makeLabel("Label2", QStringLiteral("Velocità :"), group), 4, 0);
    grid->addWidget(speedCombo_, 4, 1);
    grid->addWidget(applyButton_, 4, 2);

    connect(portCombo_, &QComboBox::currentTextChanged, this, &Form1::showDevicePart);
    connect(deviceList_, &QListWidget::currentRowChanged, this, &Form1::chooseDeviceRow);
    connect(deviceField_, &QLineEdit::textChanged, this, &Form1::takeDeviceField);
    connect(refreshButton_, &QPushButton::clicked, this, &Form1::refreshDevices);
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
    chosenDevices_ = setup_.portDevices;
    showSetupValues();
    configureLine();
    refreshDevices();
    return true;
}

void Form1::configureLine() {
    comm_->setCommPort(setup_.portNumber);
    comm_->setSettings(setup_.portSettings);
    comm_->setConfiguredDevice(setup_.portDevices[setup_.portNumber - 1]);
}

int Form1::selectedPort() const {
    return portNumberFor(portCombo_->currentText()).value_or(setup_.portNumber);
}

void Form1::refreshDevices() {
    devices_ = options_.listDevices ? options_.listDevices() : std::vector<vantdev::SerialDevice>{};
    showingDevice_ = true;
    while (deviceList_->count() > 1) delete deviceList_->takeItem(1);
    for (const vantdev::SerialDevice& device : devices_) {
        auto* row = new QListWidgetItem(QString::fromStdString(vantdev::describe(device)));
        row->setToolTip(row->text());
        row->setData(Qt::UserRole, QFile::decodeName(QByteArray::fromStdString(device.path())));
        deviceList_->addItem(row);
    }
    showingDevice_ = false;
    showDevicePart();
}

void Form1::showDevicePart() {
    devicePort_ = selectedPort();
    const QByteArray& chosen = chosenDevices_[devicePort_ - 1];
    const QString fallback = QStringLiteral("/dev/ttyS%1").arg(devicePort_ - 1);
    showingDevice_ = true;
    deviceList_->item(0)->setText(QStringLiteral("Predefinito (%1)").arg(fallback));
    deviceField_->setPlaceholderText(QStringLiteral("vuoto: %1").arg(fallback));
    deviceField_->setText(QFile::decodeName(chosen));
    showingDevice_ = false;
    selectRowFor(deviceField_->text());

    // The variable prevails over any choice here, so the choice is not offered.
    const vantdev::PortChoice choice =
        vantdev::port_choice(kPortVariable, devicePort_, chosen.toStdString());
    const bool fromEnvironment = choice.source == vantdev::PortSource::Environment;
    deviceList_->setEnabled(!fromEnvironment);
    deviceField_->setReadOnly(fromEnvironment);
    refreshButton_->setEnabled(!fromEnvironment);
    const QString variable = QString::fromStdString(choice.variable);
    if (!fromEnvironment) {
        deviceNote_->clear();
    } else if (choice.path.empty()) {
        deviceNote_->setText(
            QStringLiteral("COM%1 non ha dispositivo: %2 è vuota nell'ambiente, che prevale su "
                           "questa scelta")
                .arg(devicePort_)
                .arg(variable));
    } else {
        deviceNote_->setText(
            QStringLiteral("COM%1 è %2: impostato da %3 nell'ambiente, che prevale su questa "
                           "scelta")
                .arg(devicePort_)
                .arg(QString::fromLocal8Bit(choice.path.c_str()), variable));
    }
}

// Choosing a row puts its stable name in the field: the field is what is stored.
void Form1::chooseDeviceRow(int row) {
    if (showingDevice_ || row < 0) return;
    deviceField_->setText(deviceList_->item(row)->data(Qt::UserRole).toString());
}

void Form1::takeDeviceField(const QString& text) {
    if (showingDevice_) return;
    chosenDevices_[devicePort_ - 1] = QFile::encodeName(text.trimmed());
    selectRowFor(text.trimmed());
}

void Form1::selectRowFor(const QString& path) {
    int row = path.isEmpty() ? 0 : -1;
    for (std::size_t i = 0; i < devices_.size() && row < 0; ++i) {
        if (vantdev::names_device(devices_[i], QFile::encodeName(path).toStdString())) {
            row = static_cast<int>(i) + 1;
        }
    }
    showingDevice_ = true;
    deviceList_->setCurrentRow(row);
    showingDevice_ = false;
}

// During a reception the open port keeps its settings; the new ones serve the next reception.
void Form1::applySettings() {
    setup_.portText = portCombo_->currentText();
    setup_.speedText = speedCombo_->currentText();
    choosePortFromTexts(setup_);
    setup_.portDevices = chosenDevices_;
    configureLine();
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
