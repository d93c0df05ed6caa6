#include "gui/MainWindow.h"

#include <QAction>
#include <QApplication>
#include <QCheckBox>
#include <QCloseEvent>
#include <QComboBox>
#include <QFontInfo>
#include <QFrame>
#include <QMenuBar>
#include <QPainter>
#include <QPointer>
#include <QProgressBar>
#include <QPushButton>
#include <QTime>

#include "core/operations/BoardService.h"
#include "core/operations/ControllerWorkflow.h"
#include "core/services/DataFileUploader.h"
#include "core/settings/SettingsModel.h"
#include "gui/AboutDialog.h"
#include "gui/App.h"
#include "gui/widgets/Pictures.h"
#include "gui/widgets/SettingsBinding.h"
#include "gui/widgets/WidgetHelpers.h"

void FigureEdit::keyPressEvent(QKeyEvent *e)
{
    // Every character key counts, control characters (Backspace, Enter, Ctrl+V) included.
    const QString t = e->text();
    if (!t.isEmpty())
        emit keyTyped(t.at(0));
    QLineEdit::keyPressEvent(e);
}

void FigureEdit::mouseReleaseEvent(QMouseEvent *e)
{
    QLineEdit::mouseReleaseEvent(e);
    emit clickedByMouse();
}

namespace {
void setTextColour(QWidget *w, const QColor &c)
{
    // Active and inactive only: a disabled control keeps the style's grey.
    QPalette p = w->palette();
    for (auto group : {QPalette::Active, QPalette::Inactive}) {
        p.setColor(group, QPalette::WindowText, c);
        p.setColor(group, QPalette::Text, c);
    }
    w->setPalette(p);
}
const QColor Maroon(0x80, 0, 0);
const QColor Navy(0, 0, 0x80);
} // namespace

MainWindow::MainWindow(App &a) : QMainWindow(nullptr), app(a)
{
    setObjectName(QStringLiteral("Form1"));
    setWindowTitle(QStringLiteral("\"QUAM\" LTD. Uploader"));
    // The start-up step comes 100 ms after the start; the windows are built meanwhile.
    startUpTimer = new QTimer(this);
    startUpTimer->setObjectName(QStringLiteral("Timer3"));
    startUpTimer->setInterval(100);
    startUpTimer->setSingleShot(true);
    connect(startUpTimer, &QTimer::timeout, this, &MainWindow::startUpRequested);
    startUpTimer->start();
    setFont(pixelFont(11, false));
    buildControls();
    buildMenus();
    // Nothing is saved until the start-up step has loaded the settings; the window stays hidden
    // until then.
    app.startingUp = true;
    for (int r = 1; r <= 5; ++r) {
        connect(oddSlotBoxes[r], &QCheckBox::toggled, this, [this, r] { onOddSlotBoxToggled(r); });
        connect(evenSlotBoxes[r], &QCheckBox::toggled, this, [this, r] { onEvenSlotBoxToggled(r); });
    }
    SettingsBinding::bind(brightnessGroup, app.settings, ControllerField::Brightness);
    SettingsBinding::bind(lightingGroup, app.settings, ControllerField::Lighting);
    connect(brightnessGroup, &RadioGroup::clicked, this, [this] { onBrightnessChosen(); });
    connect(lightingGroup, &RadioGroup::clicked, this, [this] { onLightingChosen(); });

    // What the settings change elsewhere shows here.
    SettingsModel *settings = app.settings;
    connect(settings, &SettingsModel::oneWayChanged, this, [this] { showOneWay(); });
    connect(settings, &SettingsModel::selectorControlsChanged, this, [this] { showSelectorControls(); });
    connect(settings, &SettingsModel::rowCountsChanged, this, [this] { layOut(); });
    connect(settings, &SettingsModel::boardTypeChanged, this, [this] {
        if (!app.workflow->loading())
            layOut();
    });
    connect(settings, &SettingsModel::figureFormatChanged, this, [this] { onFigureFormatChanged(); });
    // The fields show the figures the store holds (a load, a read); what is typed goes there.
    connect(&app.service->figures(), &FigureStore::figureChanged, this,
            [this](int k, const QString &text, bool fromBoard) {
                if (figureEdits[k]->text() == text)
                    return;
                const bool was = std::exchange(m_boardText, fromBoard);
                figureEdits[k]->setText(text);
                m_boardText = was;
            });
    connect(settings, &SettingsModel::autoLoadChanged, this, [this] {
        const int ms = app.settings->program().autoLoadIntervalMs;
        if (autoLoadTimer->isActive() && autoLoadTimer->interval() != ms)
            autoLoadTimer->setInterval(ms);
    });
    connect(settings, &SettingsModel::controllerValueChanged, this, [this](ControllerField f, int value) {
        // The temperature sensor chosen: the panel waits for the board's next report.
        if (f == ControllerField::TemperatureUsed && value == 1)
            statusPanels->setPanelText(3, QString());
    });
    m_built = true;
}

MainWindow::~MainWindow() = default;

void MainWindow::buildControls()
{
    auto *central = new QWidget(this);
    central->setObjectName(QStringLiteral("Client"));
    setCentralWidget(central);

    figuresPanel = new QFrame(central);
    figuresPanel->setObjectName(QStringLiteral("Panel4"));
    figuresPanel->setFrameStyle(QFrame::Panel | QFrame::Raised);
    figuresPanel->setGeometry(8, 4, 352, 177);

    QFont figureFont = pixelFont(21, true, QStringLiteral("Tahoma"));
    // Without Tahoma the fallback face is wider: narrow it so six characters fit the field.
    if (QFontInfo(figureFont).family() != QLatin1String("Tahoma"))
        figureFont.setStretch(84);
    for (int k = 1; k <= 10; ++k) {
        auto *e = new FigureEdit(QStringLiteral("1.0000"), figuresPanel);
        e->setObjectName(QStringLiteral("Edit%1").arg(k));
        e->setFont(figureFont);
        e->setTextMargins(0, 0, 0, 0);
        setTextColour(e, Maroon);
        const int r = (k + 1) / 2;
        e->setGeometry(k % 2 ? 128 : 256, 10 + 30 * (r - 1), 81, 33);
        connect(e, &QLineEdit::textChanged, this, [this, k] { formatField(k); });
        connect(e, &FigureEdit::keyTyped, this, [this, k](QChar c) { onFieldKeyTyped(k, c); });
        connect(e, &FigureEdit::clickedByMouse, this, [this, k] { onFieldClicked(k); });
        figureEdits[k] = e;
    }
    figureEdits[9]->setEnabled(false);
    figureEdits[10]->setEnabled(false);

    const QFont nameFont = pixelFont(21, true);
    for (int k = 1; k <= 10; ++k) {
        auto *l = new QLabel(QStringLiteral("0"), figuresPanel);
        l->setObjectName(QStringLiteral("Label3_%1").arg(k));
        l->setFont(nameFont);
        setTextColour(l, Navy);
        l->setGeometry(10, 15 + 30 * (k - 1), 210, 26);
        l->hide();
        productNameLabels[k] = l;
    }
    for (int r = 1; r <= 5; ++r) {
        auto *c = new QCheckBox(figuresPanel);
        c->setObjectName(QStringLiteral("CheckBox%1").arg(r));
        c->setGeometry(224, 15 + 30 * (r - 1), 17, 17);
        c->setChecked(r <= 4);
        oddSlotBoxes[r] = c;
        auto *a = new QCheckBox(figuresPanel);
        a->setObjectName(QStringLiteral("CheckBox%1a").arg(r));
        a->setGeometry(224, 15 + 30 * (r - 1), 17, 17);
        a->hide();
        evenSlotBoxes[r] = a;
    }
    const char *codes[5] = {"USD", "EUR", "GBP", "RUR", "FRF"};
    QLabel **flags[5] = {&usdFlag, &eurFlag, &gbpFlag, &rurFlag, &frfFlag};
    QLabel **signs[5] = {&usdSign, &eurSign, &gbpSign, &rurSign, &frfSign};
    for (int i = 0; i < 5; ++i) {
        auto *f = new QLabel(figuresPanel);
        f->setObjectName(QStringLiteral("Flag_%1").arg(QLatin1String(codes[i])));
        f->setPixmap(Pictures::flag(i));
        f->setGeometry(8, 10 + 30 * i, Pictures::FlagWidth, Pictures::FlagHeight);
        *flags[i] = f;
        auto *s = new QLabel(figuresPanel);
        s->setObjectName(QStringLiteral("Sign_%1").arg(QLatin1String(codes[i])));
        s->setPixmap(Pictures::sign(i));
        s->setGeometry(68, 10 + 30 * i, Pictures::SignWidth, Pictures::SignHeight);
        *signs[i] = s;
    }
    unusedRowsCover = new QFrame(figuresPanel);
    unusedRowsCover->setObjectName(QStringLiteral("Panel1"));
    unusedRowsCover->setAutoFillBackground(true);
    unusedRowsCover->setGeometry(2, 160, 348, 1);
    unusedRowsCover->raise();

    controlsPanel = new QFrame(central);
    controlsPanel->setObjectName(QStringLiteral("Panel2"));
    controlsPanel->setFrameStyle(QFrame::Panel | QFrame::Raised);
    controlsPanel->setGeometry(8, 186, 352, 189);

    progressBar = new QProgressBar(controlsPanel);
    progressBar->setObjectName(QStringLiteral("ProgressBar1"));
    progressBar->setRange(0, 1000);
    progressBar->setValue(0);
    progressBar->setTextVisible(false);
    progressBar->setGeometry(8, 8, 273, 17);

    const QFont buttonFont = pixelFont(16, true);
    writeButton = new QPushButton(QStringLiteral("ჩაწერა"), controlsPanel);
    writeButton->setObjectName(QStringLiteral("Btn_Send_"));
    readButton = new QPushButton(QStringLiteral("წაკითხვა"), controlsPanel);
    readButton->setObjectName(QStringLiteral("Btn_Read_"));
    clockButton = new QPushButton(QStringLiteral("საათი"), controlsPanel);
    clockButton->setObjectName(QStringLiteral("Btn_Time"));
    int x = 8;
    for (QPushButton *b : {writeButton, readButton, clockButton}) {
        b->setFont(buttonFont);
        b->setGeometry(x, 32, 84, 33);
        x += 94;
    }
    connect(writeButton, &QPushButton::clicked, this, [this] { onWriteClicked(); });
    connect(readButton, &QPushButton::clicked, this, [this] { onReadClicked(); });
    connect(clockButton, &QPushButton::clicked, this, [this] { onClockClicked(); });

    const QFont selectorFont = pixelFont(13, false);
    brightnessGroup = new RadioGroup(QStringLiteral("სიკაშკაშე"),
                                     {QStringLiteral("მინ"), QStringLiteral("25%"), QStringLiteral("50%"),
                                      QStringLiteral("75%"), QStringLiteral("100%"), QStringLiteral("ავტო")},
                                     6, controlsPanel);
    brightnessGroup->setObjectName(QStringLiteral("RadioGroup1"));
    brightnessGroup->setFont(selectorFont);
    brightnessGroup->setGeometry(8, 72, 273, 44);
    lightingGroup = new RadioGroup(QStringLiteral("განათება"),
                                   {QStringLiteral("გამორთული"), QStringLiteral("ჩართული"), QStringLiteral("ავტო")}, 3,
                                   controlsPanel);
    lightingGroup->setObjectName(QStringLiteral("RadioGroup2"));
    lightingGroup->setFont(selectorFont);
    lightingGroup->setGeometry(8, 120, 273, 44);

    clockLabel = new QLabel(QStringLiteral(" "), controlsPanel);
    clockLabel->setObjectName(QStringLiteral("Label3"));
    clockLabel->setFont(pixelFont(11, true));
    setTextColour(clockLabel, Maroon);
    clockLabel->setAlignment(Qt::AlignRight | Qt::AlignVCenter);
    clockLabel->setGeometry(260, 189 - 17, 80, 15);

    minLabel = new QLabel(QStringLiteral("მინ"), this);
    autoLabel = new QLabel(QStringLiteral("ავტო"), this);
    offLabel = new QLabel(QStringLiteral("გამორთული"), this);
    onLabel = new QLabel(QStringLiteral("ჩართული"), this);
    minLabel->setObjectName(QStringLiteral("minLabel"));
    autoLabel->setObjectName(QStringLiteral("autoLabel"));
    offLabel->setObjectName(QStringLiteral("offLabel"));
    onLabel->setObjectName(QStringLiteral("onLabel"));
    for (QLabel *l : {minLabel, autoLabel, offLabel, onLabel})
        l->hide();

    statusPanels = new StatusBar({210, 67, 45, 55},
                                 {Qt::AlignLeft, Qt::AlignHCenter, Qt::AlignHCenter, Qt::AlignHCenter}, central);
    statusPanels->setObjectName(QStringLiteral("StatusBar1"));

    // The automatic load polls on the data-file uploader's timer: one poll, one interval and one
    // back-off for the window and the watch without one.
    autoLoadTimer = app.dataFileUploader->pollTimer();
    autoLoadTimer->setObjectName(QStringLiteral("Timer1"));
    autoLoadTimer->setInterval(1000);
    app.dataFileUploader->setPollAction([window = QPointer<MainWindow>(this)] {
        if (window)
            window->onAutoLoadTick();
    });
    clockAndEventTimer = new QTimer(this);
    clockAndEventTimer->setObjectName(QStringLiteral("Timer5"));
    clockAndEventTimer->setInterval(1000);
    connect(clockAndEventTimer, &QTimer::timeout, this, [this] { onClockAndEventTick(); });
    clockAndEventTimer->start();
}

void MainWindow::buildMenus()
{
    QMenuBar *bar = menuBar();
    fileMenu = bar->addMenu(QStringLiteral("File"));
    fileMenu->setObjectName(QStringLiteral("File1"));
    showDataFileAction = fileMenu->addAction(QStringLiteral("Show data File"), this, [this] { showDataFile(); });
    loadDataFileAction = fileMenu->addAction(QStringLiteral("Load  data File"), this, [this] { loadDataFile(); });
    saveDataFileAction = fileMenu->addAction(QStringLiteral("Save data File"), this, [this] { saveDataFile(); });
    minimizeAction = fileMenu->addAction(QStringLiteral("Minimize"), this, [this] { minimizeToTray(); });
    exitAction = fileMenu->addAction(QStringLiteral("Exit"), this, [this] { exitProgram(); });
    toolsMenu = bar->addMenu(QStringLiteral("Tools"));
    toolsMenu->setObjectName(QStringLiteral("Settings1"));
    settingsAction = toolsMenu->addAction(QStringLiteral("Settings"), this, &MainWindow::settingsRequested);
    autoControlsAction
        = toolsMenu->addAction(QStringLiteral("Auto mode controls"), this, &MainWindow::autoControlsRequested);
    boardViewAction = toolsMenu->addAction(QStringLiteral("Tablo viev"), this, &MainWindow::boardViewRequested);
    testModeAction = toolsMenu->addAction(QStringLiteral("Test"), this, &MainWindow::testPatternsRequested);
    historyAction = toolsMenu->addAction(QStringLiteral("History"), this, &MainWindow::historyRequested);
    historyAction->setObjectName(QStringLiteral("History1"));
    helpMenu = bar->addMenu(QStringLiteral("Help"));
    helpMenu->setObjectName(QStringLiteral("Help1"));
    helpSettingsAction = helpMenu->addAction(QStringLiteral("Help settings"), this, &MainWindow::helpRequested);
    helpMenu->menuAction()->setVisible(false);
    aboutAction = bar->addAction(QStringLiteral("About"), this, [this] { showAbout(); });
    showDataFileAction->setObjectName(QStringLiteral("Show1"));
    loadDataFileAction->setObjectName(QStringLiteral("Load1"));
    saveDataFileAction->setObjectName(QStringLiteral("Save1"));
    minimizeAction->setObjectName(QStringLiteral("Minimize1"));
    exitAction->setObjectName(QStringLiteral("Exit1"));
    settingsAction->setObjectName(QStringLiteral("Settings3"));
    autoControlsAction->setObjectName(QStringLiteral("AutoControls1"));
    boardViewAction->setObjectName(QStringLiteral("Tablo1"));
    testModeAction->setObjectName(QStringLiteral("est1"));
    helpSettingsAction->setObjectName(QStringLiteral("Settings2"));
    aboutAction->setObjectName(QStringLiteral("About2"));
}

QLabel *MainWindow::flagOf(int i) const
{
    QLabel *const f[5] = {usdFlag, eurFlag, gbpFlag, rurFlag, frfFlag};
    return (i >= 0 && i < 5) ? f[i] : nullptr;
}

QLabel *MainWindow::signOf(int i) const
{
    QLabel *const s[5] = {usdSign, eurSign, gbpSign, rurSign, frfSign};
    return (i >= 0 && i < 5) ? s[i] : nullptr;
}

void MainWindow::showAtStartUp()
{
    // The window is laid out for the loaded board type before it is first shown.
    layOut();
    show();
}

void MainWindow::restoreFromTray()
{
    if (isMinimized())
        showNormal();
    else
        show();
    raise();
    activateWindow();
}

void MainWindow::minimizeToTray()
{
    // Without a notification area a hidden window could never come back: minimise instead.
    if (app.trayAvailable())
        hide();
    else
        showMinimized();
}

void MainWindow::exitProgram()
{
    // What waits is carried out first (each within its time-outs); a second "Exit" ends at once.
    if (!app.service->isIdle() && !m_exitWaiting) {
        m_exitWaiting = true;
        autoLoadTimer->stop();
        statusPanels->setPanelText(0, QStringLiteral("Exit after the waiting commands (Exit again: now)"));
        connect(app.service, &BoardService::idle, this, [this] {
            if (!m_exiting)
                exitProgram();
        }, Qt::SingleShotConnection);
        return;
    }
    if (m_exiting)
        return;
    // Nothing more goes to the board: what still waits is dropped, and not recorded as sent.
    app.service->withdrawAll();
    m_exiting = true;
    close();
}

void MainWindow::showEvent(QShowEvent *e)
{
    QMainWindow::showEvent(e);
    emit shownChanged(true);
}

void MainWindow::hideEvent(QHideEvent *e)
{
    QMainWindow::hideEvent(e);
    emit shownChanged(false);
}

void MainWindow::closeEvent(QCloseEvent *e)
{
    if (!m_exiting) {
        e->ignore();
        minimizeToTray();
        return;
    }
    shutDown();
    e->accept();
    emit exited();
}

void MainWindow::shutDown()
{
    app.saveProgramSettings();
    // The section keeps what the board acknowledged or reported, what the file held, or what
    // the operator chose while nothing waited: never a choice that did not reach the board, nor
    // the start values of a program that has neither read the board nor loaded the section.
    QString error;
    if (!app.workflow->saveForExit(&error))
        app.showError(error);
    app.closing = true;
}

void MainWindow::showAbout()
{
    auto *box = new AboutDialog(this);
    box->setAttribute(Qt::WA_DeleteOnClose);
    app.openModal(box);
    if (app.modalHook)
        delete box;
}

void MainWindow::setWindowSize(int w, int h)
{
    if (w == width() && h == height())
        return;
    setFixedSize(w, h);
    if (!isVisible())
        layOut();   // a hidden window gets no resize event until it is shown
}

void MainWindow::setWindowHeight(int h) { setWindowSize(width(), h); }

void MainWindow::resizeEvent(QResizeEvent *e)
{
    QMainWindow::resizeEvent(e);
    if (statusPanels && centralWidget())
        statusPanels->setGeometry(0, centralWidget()->height() - statusPanels->height(), centralWidget()->width(),
                                  statusPanels->height());
    layOut();
}

void MainWindow::setCommandControlsEnabled(bool on)
{
    for (QWidget *w : {static_cast<QWidget *>(readButton), static_cast<QWidget *>(writeButton),
                       static_cast<QWidget *>(clockButton), static_cast<QWidget *>(brightnessGroup),
                       static_cast<QWidget *>(lightingGroup)})
        w->setEnabled(on);
}

void MainWindow::onWriteClicked() { requestUpload(QStringLiteral("write-button")); }
void MainWindow::onReadClicked() { readBoard(); }   // waits for the board when it is busy
