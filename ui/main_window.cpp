#include "ui/main_window.h"

#include <QApplication>
#include <QTabBar>
#include <QCheckBox>
#include <QComboBox>
#include <QCursor>
#include <QDir>
#include <QFileInfo>
#include <QEvent>
#include <QFocusEvent>
#include <QKeyEvent>
#include <QFrame>
#include <QGroupBox>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QMouseEvent>
#include <QPlainTextEdit>
#include <QProgressBar>
#include <QPushButton>
#include <QRadioButton>
#include <QScreen>
#include <QShortcut>
#include <QTextDocument>
#include <QTimer>
#include <QToolButton>
#include <algorithm>
#include <climits>

#include "app/configuration.h"
#include "app/ini_file.h"
#include "app/start_point.h"
#include "app/text_input.h"
#include "core/function_catalogue.h"
#include "core/method_catalogue.h"
#include "tarvik_version.h"
#include "ui/accuracy_panel.h"
#include "ui/app_glyphs.h"
#include "ui/compare_controller.h"
#include "ui/convergence_view.h"
#include "ui/design_widgets.h"
#include "ui/figure_widget.h"
#include "ui/hint_text.h"
#include "ui/input_files_panel.h"
#include "ui/replay_bar.h"
#include "ui/sound_player.h"
#include "ui/status_bar.h"
#include "ui/window_dialogs.h"

namespace tarvik::ui {

namespace {

// The window's design font, which every panel inherits. The captions are placed in pixels for the design's sans serif; Liberation Sans
// has its metrics (the widths of Arial) and is the same on every machine, so
// it comes first; the others are near matches where it is missing.
QFont DesignFont() {
    QFont font;
    font.setFamilies({QStringLiteral("Liberation Sans"), QStringLiteral("Arial"), QStringLiteral("MS Sans Serif"),
                      QStringLiteral("Microsoft Sans Serif"), QStringLiteral("Nimbus Sans"), QStringLiteral("Helvetica"),
                      QStringLiteral("DejaVu Sans")});
    font.setPixelSize(11);
    return font;
}

// Colours of the design.
const QColor kInfoBackground(255, 255, 225);
const QColor kAppWorkspace(171, 171, 171);

} // namespace

TMainForm::TMainForm(const QString& startDir, std::unique_ptr<WindowDialogs> dialogs, QWidget* parent)
    : QWidget(parent), host_(*this), state_(host_), driver_(state_),
      dialogs_(dialogs ? std::move(dialogs) : std::make_unique<WindowDialogs>()),
      compare_(std::make_unique<CompareController>(*this)) {
    setObjectName(QStringLiteral("MainForm"));
    StartDir = startDir;
    sounds_ = new SoundPlayer(this);
    setFont(DesignFont());
    setWindowTitle(QStringLiteral(TARVIK_WINDOW_TITLE));
    setWindowIcon(MakeApplicationIcon());
    resize(kDesignWidth, kDesignHeight);
    lastClientSize_ = QSize(kDesignWidth, kDesignHeight);

    CreateControls();
    SetFocusOrder();
    ConnectHandlers();
    runButtonGuard_.setSingleShot(true);
    connect(&runButtonGuard_, &QTimer::timeout, this, [this] { runButtonArmed_ = true; });

    // Start-up, in the order the window has always done it.
    OpenDialog1.InitialDir = StartDir;
    FigureFontName = PanelRunButtons->BtnStart->font().family();
    StartupLayout();
    // A window narrower than the design puts Compare over the starting point.
    setMinimumSize(size());
    PanelProblem->Label8->setText(QStringLiteral("u°:"));
    FillLists();
    ReadConfiguration();

    // One filter on the application gives the hints and the run buttons'
    // guard every event of every control once; a second such filter on a
    // control would see its events twice.
    qApp->installEventFilter(this);
    UpdateLabel10();
}

TMainForm::~TMainForm() = default;

// ------------------------------------------------------------- Controls

void TMainForm::CreateControls() {
    CreateProblemControls();
    CreateMethodControls();
    CreateAccuracyControls();
    CreateOutputControls();
    CreateContourPanel();
    CreateStatusBar();

    // The file panel lies over the problem choosers while it is open.
    GboxInputFiles = new InputFilesPanel(this);
    GboxInputFiles->setGeometry(5, 2, 300, 119);
    GboxInputFiles->setAutoFillBackground(true);
    GboxInputFiles->hide();

    InitComments = new QListWidget(this);
    InitComments->setObjectName(QStringLiteral("InitComments"));
    InitComments->setGeometry(280, 272, 321, 73);
    SetBackground(InitComments, kInfoBackground);
    InitComments->setSelectionMode(QAbstractItemView::NoSelection);
    InitComments->setFocusPolicy(Qt::NoFocus);
    InitComments->setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
    InitComments->setVerticalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
    InitComments->setStyleSheet(QStringLiteral("QListWidget::item { padding: 0px; margin: 0px; }"));
    {
        QFont small = InitComments->font();
        small.setPixelSize(10);
        InitComments->setFont(small);
    }
    InitComments->addItems({QStringLiteral("    "),
                            QStringLiteral(" Chose a method and click button M (located below) to configure"),
                            QStringLiteral("            options. Read the hints at the parameter headers."),
                            QString(), QStringLiteral("                                     [ Click to hide ]")});
    InitComments->hide();
}

void TMainForm::SetFocusOrder() {
    // Panel after panel as they stand, each in its own screen order: the
    // file panel first while it lies over the problem's choosers, the strip
    // along the top, the column on the left, the links, the status bar.
    QWidgetList order = GboxInputFiles->FocusOrder();
    order << PanelProblem->FocusOrder() << PanelRunButtons->FocusOrder() << PanelMethods->FocusOrder()
          << GboxMinAccuracy->FocusOrder() << ChkBoxStoreConfig << RichEditOut << PanelContours->FocusOrder()
          << StatusBar1->FocusOrder();
    for (qsizetype i = 1; i < order.size(); ++i) setTabOrder(order[i - 1], order[i]);
}

void TMainForm::CreateProblemControls() {
    PanelProblem = new ProblemPanel(this);
}

void TMainForm::CreateMethodControls() {
    LabOutComputing = new QLabel(this);
    LabOutComputing->setObjectName(QStringLiteral("LabOutComputing"));
    LabOutComputing->setFont(ComicFont(13));
    SetTextColour(LabOutComputing, kAppWorkspace);
    LabOutComputing->move(18, 68);

    PanelMethods = new MethodPanel(this);
    PanelMethods->setGeometry(6, 64, 299, 56);
}

void TMainForm::CreateAccuracyControls() {
    GboxMinAccuracy = new AccuracyPanel(this);
    GboxMinAccuracy->setGeometry(5, 124, 300, 77);

    ChkBoxStoreConfig = new QCheckBox(QStringLiteral("Store the configuration befor 'Exit'"), this);
    ChkBoxStoreConfig->setObjectName(QStringLiteral("ChkBoxStoreConfig"));
    ChkBoxStoreConfig->setGeometry(10, 205, 240, 17);
    SetHint(ChkBoxStoreConfig, QStringLiteral("| Check the box to store the configuration befor Exit"));
}

void TMainForm::CreateOutputControls() {
    RichEditOut = new OutputPane(this);
    RichEditOut->setGeometry(5, 224, 300, 178);

    PanelRunButtons = new RunButtons(this);
}

void TMainForm::CreateContourPanel() {
    PanelContours = new FigurePanel(this);
    PanelContours->setGeometry(312, 96, 318, 313);
}

void TMainForm::CreateStatusBar() {
    ReplayBar1 = new ReplayBar(PanelContours);
    ReplayBar1->hide();
    connect(ReplayBar1, &ReplayBar::positionChanged, this, [this](int position) { ReplayMoved(position); });
    TabViews = new QTabBar(PanelContours);
    TabViews->setObjectName(QStringLiteral("TabViews"));
    TabViews->addTab(QStringLiteral("Level lines"));
    TabViews->addTab(QStringLiteral("Convergence"));
    TabViews->setShape(QTabBar::RoundedSouth);
    TabViews->setDrawBase(false);
    TabViews->hide();
    connect(TabViews, &QTabBar::currentChanged, this, [this](int tab) { ViewTabChanged(tab); });
    ConvergenceView1 = new ConvergenceView(PanelContours);
    ConvergenceView1->hide();
    connect(ConvergenceView1, &ConvergenceView::hovered, this, [this](const QString& text) { SetStatusText(text); });
    connect(ConvergenceView1, &ConvergenceView::saveClicked, this, [this] { SavePlotClicked(); });
    StatusBar1 = new StatusBar(this);
    StatusBar1->setGeometry(0, height() - 22, width(), 22);
}

void TMainForm::FillLists() {
    PanelProblem->FillLists();
    LoadFunctionPicture(QStringLiteral("Rosenbrock.gif"));
    state_.N = 2;

    PanelMethods->FillLists();

    GboxMinAccuracy->FillLists();
}

QComboBox* TMainForm::MethodList(int group) const { return PanelMethods->MethodList(group); }

QToolButton* TMainForm::GroupButton(int group) const { return PanelMethods->GroupButton(group); }

MethodId TMainForm::Method() const { return PanelMethods->Method(); }

// ------------------------------------------------------------- Handlers

void TMainForm::ConnectHandlers() {
    connect(PanelRunButtons, &RunButtons::startClicked, this, [this] { BtnStartClick(); });
    connect(PanelRunButtons, &RunButtons::stopClicked, this, [this] { BtnStopClick(); });
    connect(PanelRunButtons, &RunButtons::stepClicked, this, [this] { BtnStepClick(); });
    connect(PanelRunButtons, &RunButtons::clearClicked, this, [this] { BtnClearClick(); });
    connect(PanelRunButtons, &RunButtons::saveAsClicked, this, [this] { BtnSaveASClick(); });
    connect(PanelRunButtons, &RunButtons::exitClicked, this, [this] { ExitApplication(); });
    connect(PanelRunButtons, &RunButtons::compareClicked, this, [this] { BtnCompareClick(); });
    connect(PanelRunButtons, &RunButtons::exportTraceClicked, this, [this] { BtnExportTraceClick(); });
    // The "?" button waits for a help system; F1 opens the README meanwhile.
    connect(new QShortcut(QKeySequence(Qt::Key_F1), this), &QShortcut::activated, this, [this] { OpenHelp(); });

    // Only what the user does counts as a change: setting a list from code
    // does not run the handlers.
    const auto guarded = [this](void (TMainForm::*handler)()) {
        return [this, handler] { Guarded([this, handler] { (this->*handler)(); }); };
    };
    connect(PanelProblem, &ProblemPanel::dimensionChanged, this, guarded(&TMainForm::DimensionChanged));
    connect(PanelProblem, &ProblemPanel::functionChanged, this, [this](bool fromFullList) {
        functionPicked_ = true;
        Guarded([this, fromFullList] {
            if (fromFullList)
                FunctionsAllChanged();
            else
                FunctionChanged();
        });
        functionPicked_ = false;
    });
    connect(PanelProblem, &ProblemPanel::startChanged, this, [this] {
        Guarded([this] {
            StartPointClicked();
            StartPointChanged();
        });
    });
    // Of the methods only the collinear-gradients ones ask for more when chosen.
    connect(PanelMethods, &MethodPanel::methodChanged, this, [this](MethodId method) {
        if (IsCollinear(Traits(method))) Guarded([this] { CmbMethodsAuthorChange(); });
    });
    connect(PanelMethods, &MethodPanel::groupChosen, this, [this](int group) { MethodGroupClicked(group); });

    connect(PanelContours, &FigurePanel::linkClicked, this, [this](const QString& address) { LinkClicked(address); });
    connect(StatusBar1, &StatusBar::soundSwitched, this, [this](bool on) { SoundSwitchClicked(on); });
    connect(StatusBar1, &StatusBar::methodToolClicked, this, guarded(&TMainForm::BitBtnMetClick));
    connect(StatusBar1, &StatusBar::functionToolClicked, this, guarded(&TMainForm::BitBtnFunClick));

    connect(GboxInputFiles, &InputFilesPanel::fileAsked, this, [this](QuadraticFile file) {
        Guarded([this, file] {
            switch (file) {
            case QuadraticFile::A: ChooseFileA(); break;
            case QuadraticFile::B: ChooseFileB(); break;
            case QuadraticFile::UStar: ChooseFileUStar(); break;
            }
        });
    });
    connect(GboxInputFiles, &InputFilesPanel::uStarChosen, this, [this](UStarSource source) {
        Guarded([this, source] {
            switch (source) {
            case UStarSource::FromFile: UStarFromFileClicked(); break;
            case UStarSource::Zero: UStarZeroClicked(); break;
            case UStarSource::Unknown: UStarUnknownClicked(); break;
            }
        });
    });
    connect(GboxInputFiles, &InputFilesPanel::okClicked, this, guarded(&TMainForm::PanelOkClicked));
    connect(GboxInputFiles, &InputFilesPanel::closeClicked, this, guarded(&TMainForm::PanelCloseClicked));
    connect(GboxInputFiles, &InputFilesPanel::UStarUnknownLeft, this, guarded(&TMainForm::UStarUnknownLeft));
}

void TMainForm::Guarded(const std::function<void()>& body) {
    try {
        body();
    } catch (...) {
        ApplicationEvents1Exception(std::current_exception());
    }
}

// Qt must never see an exception: every handler's failure ends up here.
void TMainForm::ApplicationEvents1Exception(std::exception_ptr error) { driver_.HandleRunException(error); }

void TMainForm::ScheduleResume() {
    if (!driver_.ResumePending()) return;
    QTimer::singleShot(0, this, [this] {
        // A window closed in the meantime has ended the program.
        if (windowClosed_) return;
        Guarded([this] { driver_.ResumeIfPending(); });
        ScheduleResume();
    });
}

bool TMainForm::SoundOn() const { return StatusBar1->SoundOn(); }

void TMainForm::PlayIfSoundOn(const QString& fileName) {
    if (SoundOn()) sounds_->Play(fileName);
}

void TMainForm::SoundSwitchClicked(bool turnOn) { StatusBar1->SetSoundOn(turnOn); }

void TMainForm::MethodGroupClicked(int group) { PanelMethods->ShowGroup(group); }

void TMainForm::ReadConfiguration() {
    PanelMethods->ShowFirstGroup();
    IniFile ini;
    std::string refusal;
    if (!ini.Load(ConfigurationFile().toStdString(), &refusal)) {
        // A file that is there but not read (too large, a FIFO) must not
        // keep the program from starting; the user is told why.
        if (!refusal.empty()) host_.ShowError(refusal);
        // First start: the gradient group, a wider window and a word on
        // where the method options are.
        PanelMethods->ShowGroup(0);
        SetFormWidth(770);
        InitComments->show();
        InitComments->raise();
    } else {
        ConfigLoading = 1;
        ApplyConfiguration(tarvik::ReadConfiguration(ini, CurrentConfiguration()));
    }
    Guarded([this] { FunctionChanged(); });
    ConfigLoading = 0;
}

QString TMainForm::ConfigurationFile() const {
    return QString::fromStdString(ConfigurationPath(StartDir.toStdString()));
}

Configuration TMainForm::CurrentConfiguration() const {
    Configuration c;
    c.Sound = SoundOn();
    c.WindowState = isMaximized() ? "wsMaximized" : "wsNormal";
    c.Top = y();
    c.Left = x();
    c.Width = FormWidth();
    CopyToConfiguration(Choices(), c);
    c.PathU0 = state_.Choices.StartFile;
    if (state_.Typed.Given()) {
        c.Formula = FormulaName(state_.Typed.formula.text);
        c.FormulaUStar = state_.Typed.uStarText;
    }
    return c;
}

void TMainForm::ApplyConfiguration(const Configuration& c) {
    SoundSwitchClicked(c.Sound);
    if (c.Maximized()) {
        setWindowState(windowState() | Qt::WindowMaximized);
    } else {
        setWindowState(windowState() & ~(Qt::WindowMaximized | Qt::WindowMinimized | Qt::WindowFullScreen));
        RestoreGeometry(c.Left, c.Top, c.Width);
    }
    ChkBoxStoreConfig->setChecked(true);

    PanelChoices chosen = ChoicesFromConfiguration(c);
    int32_t n = 0;
    if (TryParseInt32(c.Dimension, n)) {
        state_.N = n;
    } else {
        // A damaged file must not keep the program from starting.
        host_.ShowError("The dimension \"" + c.Dimension + "\" in " + ConfigurationFile().toStdString() +
                        " is not an integer; the dimension 2 is used.");
        chosen.problem.dimension = PanelProblem->CmbN->itemText(0).toStdString();
        state_.N = 2;
    }
    // The typed function before the list's choice, which shows it.
    if (!c.Formula.empty()) {
        TypedFunction typed;
        if (const auto error = SetFormula(typed, c.Formula)) {
            host_.ShowError("The formula in " + ConfigurationFile().toStdString() + " is refused: " + error->message);
        } else {
            typed.uStarText = c.FormulaUStar;
            if (!c.FormulaUStar.empty() && ParseStartCoordinates(c.FormulaUStar, typed.uStar, "u*")) typed.uStarText.clear();
            state_.Typed = std::move(typed);
        }
    }
    PanelProblem->SetChoice(chosen.problem);

    state_.Choices.StartFile = c.PathU0;
    if (PanelProblem->FileStartChosen())
        PanelProblem->ShowStartFileHint(QString::fromStdString(c.PathU0));

    // The files' u* option comes before the accuracy: "u* is unknown" forces
    // the change of J, and a stored accuracy then has the last word.
    GboxInputFiles->SetChoice(chosen.files);
    if (Choices().files.uStarUnknown) UStarUnknownClicked();
    GboxMinAccuracy->SetChoice(chosen.accuracy);
    PanelMethods->SetChoice(chosen.method);
}

void TMainForm::RestoreGeometry(int64_t left, int64_t top, int64_t width) {
    // The file may come from another screen or be damaged: the window must
    // neither be larger than the screen nor leave its title bar, buttons or
    // status bar outside it. A window that was on this screen comes back
    // exactly where it was. All in 64 bits: any 32-bit value may be stored.
    const QScreen* at = QGuiApplication::screenAt(
        QPoint(static_cast<int>(std::clamp<int64_t>(left, INT_MIN, INT_MAX)),
               static_cast<int>(std::clamp<int64_t>(top, INT_MIN, INT_MAX))));
    const QRect area = at != nullptr ? at->availableGeometry() : AvailableArea();
    const int64_t areaLeft = area.x(), areaTop = area.y(), areaWidth = area.width(), areaHeight = area.height();

    // Width counts a nominal frame; a window whose client area fitted the
    // screen keeps its width.
    if (width - kFrameWidth > areaWidth) width = areaWidth;
    width = std::max<int64_t>(width, MinFormWidth());
    SetFormWidth(static_cast<int>(width));

    const int64_t clientWidth = this->width(), clientHeight = height();
    const bool fits = left >= areaLeft && top >= areaTop && left + clientWidth <= areaLeft + areaWidth &&
                      top + clientHeight <= areaTop + areaHeight;
    if (!fits) {
        // Inside the area with the frame the layout counts; where the window
        // is larger than the area its top left corner shows.
        left = std::max(areaLeft, std::min(left, areaLeft + areaWidth - FormWidth()));
        top = std::max(areaTop, std::min(top, areaTop + areaHeight - FormHeight()));
    }
    if (left != x() || top != y()) move(static_cast<int>(left), static_cast<int>(top));
}

void TMainForm::UpdateLabel10() { GboxMinAccuracy->UpdateLabel10(); }

// ---------------------------------------------------------------- Hints

void TMainForm::SetStatusText(const QString& text) { StatusBar1->SetPanelText(0, text); }

QString TMainForm::StatusText() const { return StatusBar1->PanelText(0); }

unsigned long long TMainForm::StatusChanges() const { return StatusBar1->TextChanges(); }

void TMainForm::SetFormHint(const QString& hint) { formHint_ = hint; }

void TMainForm::ShowHintFor(QWidget* widget) {
    if (widget == nullptr || widget->window() != this) return;
    for (QWidget* w = widget; w != nullptr && w != this; w = w->parentWidget()) {
        // The bar's panels clear the figure's hint; its tools have their own.
        if (w == RichEditOut || (w == StatusBar1 && !StatusBar1->IsTool(widget))) {
            formHint_.clear();
            break;
        }
        if (w == PanelProblem->ImageJ) {
            ImageJMouseMove();
            break;
        }
    }
    QString hint = formHint_;
    for (QWidget* w = widget; w != nullptr && w != this; w = w->parentWidget()) {
        const QString own = HintOf(w);
        if (!own.isEmpty()) {
            hint = LongHint(own);
            break;
        }
    }
    // Like an application hint: panel 0 changes only when the hint does,
    // so status texts written by a run stay until the mouse finds another.
    if (hint != appHint_) {
        appHint_ = hint;
        SetStatusText(hint);
    }
}

void TMainForm::ImageJMouseMove() {
    formHint_.clear();
    QString hint;
    if (!state_.Running)
        hint = !Traits(state_.FunctionCode).parameters.empty()
                   ? QStringLiteral("Click \"F\"-button to change parameters | Objective function ")
                   : QStringLiteral("| Objective function");
    SetHint(PanelProblem->ImageJ, hint);
    SetHint(PanelProblem->BvlObjectFun, hint);
}

bool TMainForm::eventFilter(QObject* watched, QEvent* event) {
    const RunButtons& run = *PanelRunButtons;
    if (!runButtonArmed_ && (watched == run.BtnStart || watched == run.BtnStop || watched == run.BtnClear)) {
        // Input aimed at the button that was just replaced (see ArmRunButton);
        // Tab only moves on.
        switch (event->type()) {
        case QEvent::MouseButtonPress:
        case QEvent::MouseButtonDblClick:
        case QEvent::Shortcut:
            return true;
        case QEvent::KeyPress: {
            const int key = static_cast<QKeyEvent*>(event)->key();
            if (key != Qt::Key_Tab && key != Qt::Key_Backtab) return true;
            break;
        }
        default:
            break;
        }
    }
    switch (event->type()) {
    case QEvent::Enter:
        if (watched->isWidgetType()) ShowHintFor(static_cast<QWidget*>(watched));
        break;
    case QEvent::Leave:
        if (watched->isWidgetType() && static_cast<QWidget*>(watched)->window() == this)
            ShowHintFor(QApplication::widgetAt(QCursor::pos()));
        break;
    case QEvent::FocusIn: {
        // Tab shows the hint of the control it reaches, as the mouse does.
        const Qt::FocusReason reason = static_cast<QFocusEvent*>(event)->reason();
        if (watched->isWidgetType() && (reason == Qt::TabFocusReason || reason == Qt::BacktabFocusReason))
            ShowHintFor(static_cast<QWidget*>(watched));
        break;
    }
    case QEvent::MouseButtonPress:
        if (watched == InitComments->viewport()) {
            InitComments->hide();
        } else if (watched == PanelProblem->ImageJ) {
            PanelProblem->ImageU0->hide();
        }
        break;
    default:
        break;
    }
    return QWidget::eventFilter(watched, event);
}

} // namespace tarvik::ui
