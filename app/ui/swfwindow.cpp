#include "ui/swfwindow.h"

#include <QCheckBox>
#include <QComboBox>
#include <QDesktopServices>
#include <QDir>
#include <QFile>
#include <QHBoxLayout>
#include <QIcon>
#include <QLabel>
#include <QLayout>
#include <QMenuBar>
#include <QSlider>
#include <QStackedWidget>
#include <QTabWidget>
#include <QToolBar>
#include <QUrl>
#include <QVBoxLayout>

#include "core/enginestate.h"
#include "main/bridge.h"
#include "main/taskthread.h"
#include "settings/config.h"
#include "settings/shrinkwell.h"
#include "ui/displaywnd.h"
#include "ui/fonttab.h"
#include "ui/imagetab.h"
#include "ui/msgbox.h"
#include "ui/preferences.h"
#include "ui/resourcelist.h"
#include "ui/shapetab.h"
#include "ui/sliderspin.h"
#include "ui/soundtab.h"
#include "ui/tasklist.h"
#include "ui/userguide.h"
#include "ui/videotab.h"
#include "widgets/aboutbox.h"
#include "widgets/imagebutton.h"
#include "widgets/updatecheck.h"

namespace {
constexpr int kWindowWidth = 1000;
constexpr int kCustomIndex = 5;  // "Custom" among the built-in presets
}  // namespace

QSWFWindow::QSWFWindow(QWidget* parent) : QMainWindow(parent) {
    setWindowTitle(WINDOW_TITLE);
    setWindowIcon(QIcon(APP_ICON));
    resize(kWindowWidth, 395);
    g_bExitRequested = false;

    // Without a scratch folder sounds and videos are kept as they are.
    m_dataDir = ::dataDirectory();
    QString why;
    m_tmpDir = makeTempDirectory(::tempDirectory(), &why);
    if (m_tmpDir.isEmpty()) qWarning("scratch folder: %s", qPrintable(why));
    QDir().mkpath(m_dataDir);
    m_settings = new QShrinkwell(m_dataDir + QDir::separator() + CUSTOM_FILE_NAME);

    buildWidgets();
    buildMenus();
    couple();
    setAcceptDrops(true);

    // The guide opens from the Help menu only: nothing starts a browser unasked.
    m_config = new Config(m_dataDir + QDir::separator() + CONFIG_FILE_NAME);
    m_config->SetRunTimes(m_config->GetRunTimes() + 1);

    fillPresetSelector();
    m_resources->reset();
    for (int i = 0; i < m_tabs->count(); ++i) m_tabs->widget(i)->setEnabled(false);
    m_display->setStartFolder(m_settings->getSWFPath());
}

QSWFWindow::~QSWFWindow() {
    // A run cut short by closing: the engine stops at its next tag; what it
    // leaves behind is not a finished output.
    if (m_thread) {
        if (!m_closing) Uninit();
        m_thread->wait();
        if (m_running) QFile::remove(m_running->outpath);
        delete m_thread;
        m_thread = nullptr;
        // A stop request that came after the engine's last tag loop is still
        // pending; it must not cut the next movie's read short.
        CCancelProc.store(0);
    }
    removeTempDirectory(m_tmpDir);
    m_settings->Save();
    m_config->Save();
    qDeleteAll(m_outList);
    delete m_settings;
    delete m_config;
}

void QSWFWindow::buildWidgets() {
    m_btnAdd = new CImageButton(":/res/image/add.png", QString(), "Add flash files(.Swf;.Exe)", this);
    m_btnDelete = new CImageButton(":/res/image/delete.png", QString(), "Delete selected files", this);
    m_btnClear = new CImageButton(":/res/image/clear.png", QString(), "Clear all files", this);
    for (CImageButton* b : {m_btnAdd, m_btnDelete, m_btnClear}) {
        b->setIconSize(QSize(28, 28));
        b->setFixedSize(40, 36);
        b->setFlat(true);
    }
    m_toolbar = new QToolBar(this);
    m_toolbar->setMovable(false);
    m_toolbar->setFloatable(false);
    m_toolbar->setContextMenuPolicy(Qt::PreventContextMenu);
    m_toolbar->addWidget(m_btnAdd);
    m_toolbar->addWidget(m_btnDelete);
    m_toolbar->addWidget(m_btnClear);
    addToolBar(Qt::TopToolBarArea, m_toolbar);
    m_toolbar->hide();

    m_mainPanel = new QWidget(this);
    m_tasks = new QTaskList(m_mainPanel);
    m_resources = new QResourceList(m_mainPanel);
    auto* lists = new QHBoxLayout;
    lists->setSpacing(10);
    lists->addWidget(m_tasks, 1);
    lists->addWidget(m_resources);

    m_cmbCustom = new QComboBox(m_mainPanel);
    m_cmbCustom->setFixedWidth(220);
    m_cmbCustom->setToolTip("Best is recommended.");
    // A name typed for saving must not become a list entry by itself.
    m_cmbCustom->setInsertPolicy(QComboBox::NoInsert);
    m_btnSave = new CImageButton(":/res/image/save.png", QString(), " Save customized settings", m_mainPanel);
    m_btnRemove = new CImageButton(":/res/image/remove.png", QString(), "Delete customized settings", m_mainPanel);
    m_btnMoreOptions = new CImageButton(":/res/image/moreoptions_unfold.png", "Show More Options",
                                        "Detailed set compression parameters", m_mainPanel);
    m_btnCompress = new CImageButton(":/res/image/compress.png", "Compress", "Start compression", m_mainPanel);
    m_btnCompress->setDefault(true);
    m_btnCompress->setAutoDefault(true);
    m_btnMoreOptions->setMinimumWidth(150);
    m_btnCompress->setMinimumWidth(110);
    auto* controls = new QHBoxLayout;
    controls->addWidget(new QLabel("Pre-settings:", m_mainPanel));
    controls->addWidget(m_cmbCustom);
    controls->addWidget(m_btnSave);
    controls->addWidget(m_btnRemove);
    controls->addStretch(1);
    controls->addWidget(m_btnMoreOptions);
    controls->addWidget(m_btnCompress);

    m_tabs = new QTabWidget(m_mainPanel);
    m_imageTab = new QImageTab;
    m_shapeTab = new QShapeTab;
    m_soundTab = new QSoundTab;
    m_videoTab = new QVideoTab;
    m_fontTab = new QFontTab;
    m_tabs->addTab(m_imageTab, "Image");
    m_tabs->addTab(m_shapeTab, "Shape");
    m_tabs->addTab(m_soundTab, "Sound");
    m_tabs->addTab(m_videoTab, "Video");
    m_tabs->addTab(m_fontTab, "Font");
    m_tabs->setFixedHeight(235);
    m_tabs->hide();

    auto* col = new QVBoxLayout(m_mainPanel);
    col->setContentsMargins(7, 4, 7, 4);
    col->setSpacing(6);
    col->addLayout(lists, 1);
    col->addLayout(controls);
    col->addWidget(m_tabs);

    m_display = new QDisplayWnd(this);
    m_stack = new QStackedWidget(this);
    m_stack->addWidget(m_display);
    m_stack->addWidget(m_mainPanel);
    m_stack->setCurrentWidget(m_display);
    setCentralWidget(m_stack);

    connect(m_btnAdd, &QPushButton::clicked, this, &QSWFWindow::pbtnAddSWFclicked);
    connect(m_btnDelete, &QPushButton::clicked, this, &QSWFWindow::pbtnDeleteClicked);
    connect(m_btnClear, &QPushButton::clicked, this, &QSWFWindow::pbtnClearClicked);
    connect(m_btnSave, &QPushButton::clicked, this, &QSWFWindow::pbtnSaveClicked);
    connect(m_btnRemove, &QPushButton::clicked, this, &QSWFWindow::pbtnRemoveClicked);
    connect(m_btnMoreOptions, &QPushButton::clicked, this, &QSWFWindow::pbtnMoreOptionsClicked);
    connect(m_btnCompress, &QPushButton::clicked, this, &QSWFWindow::pbtnCompressClicked);
    connect(m_display, &QDisplayWnd::AddSWFFileFinish, this, &QSWFWindow::AddSWFFileFinish);
}

void QSWFWindow::buildMenus() {
    QMenuBar* bar = menuBar();
    QMenu* file = bar->addMenu("&File");
    m_actAdd = file->addAction("&Add...", QKeySequence::Open, this, &QSWFWindow::pbtnAddSWFclicked);
    m_actCompress = file->addAction("&Compress", QKeySequence(Qt::CTRL | Qt::Key_Return), this,
                                    &QSWFWindow::pbtnCompressClicked);
    file->addSeparator();
    file->addAction("&Quit", QKeySequence::Quit, this, &QWidget::close);
    QAction* about = bar->addAction("About");
    about->setMenuRole(QAction::AboutRole);
    connect(about, &QAction::triggered, this, &QSWFWindow::showAbout);
    QAction* prefs = bar->addAction("Preferences");
    prefs->setMenuRole(QAction::PreferencesRole);
    connect(prefs, &QAction::triggered, this, &QSWFWindow::showPreferences);
    QMenu* help = bar->addMenu("Help");
    connect(help->addAction("Help"), &QAction::triggered, this, &QSWFWindow::showHelp);
    QAction* update = help->addAction("Update");
    connect(update, &QAction::triggered, this, &QSWFWindow::checkUpdate);
    update->setVisible(CUpdateCheck::available());
}

void QSWFWindow::couple() {
    connect(m_tasks, &QTreeWidget::currentItemChanged, this, [this](QTreeWidgetItem* now, QTreeWidgetItem*) {
        if (now) TreeMainItemClicked(now);
    });
    connect(m_tasks, &QTreeWidget::itemClicked, this, [this](QTreeWidgetItem* item, int) { TreeMainItemClicked(item); });
    connect(m_resources, &QTreeWidget::itemChanged, this, [this](QTreeWidgetItem* item, int column) {
        if (column == 0) UpdateSWFInfoResItem(item);
    });
    connect(m_resources, &QTreeWidget::itemClicked, this, [this](QTreeWidgetItem* item, int) { UpdateSWFInfoResItem(item); });
    connect(m_cmbCustom, &QComboBox::currentIndexChanged, this, &QSWFWindow::cmbCustomchanged);

    for (QOptionTab* tab : std::initializer_list<QOptionTab*>{m_imageTab, m_shapeTab, m_soundTab, m_videoTab, m_fontTab})
        connect(tab, &QOptionTab::CustomChanged, this, &QSWFWindow::CheckCustomSettings);

    // Quality sliders of the resource list and the tabs' quality radios pick each other.
    connect(m_resources, &QResourceList::sliderReleased, this, [this](TResType type, int value) {
        int radio = QResourceList::bandOf(value);
        if (type == RES_IMAGE) m_imageTab->setRadioBtnChecked(radio);
        else if (type == RES_SOUND) m_soundTab->setRadioBtnQualityChecked(radio);
        else if (type == RES_VIDEO) m_videoTab->setRadioBtnChecked(radio);
    });
    auto follow = [this](TResType type) {
        return [this, type](int radio) { m_resources->slider(type)->setValue(QResourceList::valueOfRadio(type, radio)); };
    };
    connect(m_imageTab, &QImageTab::SliderChanged, this, follow(RES_IMAGE));
    connect(m_soundTab, &QSoundTab::SliderChanged, this, follow(RES_SOUND));
    connect(m_videoTab, &QVideoTab::SliderChanged, this, follow(RES_VIDEO));

    // The shape and font ratios are one value shown twice.
    connect(m_resources, &QResourceList::sliderMoved, this, [this](TResType type, int value) {
        if (type == RES_SHAPE) m_shapeTab->ratio()->setValue(value);
        else if (type == RES_FONT) m_fontTab->ratio()->setValue(value);
    });
    connect(m_shapeTab->ratio()->slider(), &QSlider::valueChanged, m_resources->slider(RES_SHAPE), &QSlider::setValue);
    connect(m_fontTab->ratio()->slider(), &QSlider::valueChanged, m_resources->slider(RES_FONT), &QSlider::setValue);

    connect(QProgressRelay::instance(), &QProgressRelay::itemProgress, this, &QSWFWindow::onItemProgress);
    connect(QProgressRelay::instance(), &QProgressRelay::loadingProgress, this, &QSWFWindow::onLoadingProgress);
}

void QSWFWindow::fillPresetSelector() {
    const QSignalBlocker quiet(m_cmbCustom);
    m_cmbCustom->clear();
    for (int i = 0; i < QShrinkwell::BUILTIN_COUNT; ++i) {
        QSWFInfo* r = m_settings->getBuiltinItem(i);
        m_cmbCustom->addItem(r->name, QVariant::fromValue<void*>(r));
    }
    for (int i = 0; i < m_settings->CustomCount(); ++i) {
        QSWFInfo* r = m_settings->getCustomItem(i);
        m_cmbCustom->addItem(r->name, QVariant::fromValue<void*>(r));
    }
    int index = m_settings->getCmbIndex();
    if (index < 0 || index >= m_cmbCustom->count()) index = 0;
    m_cmbCustom->setCurrentIndex(index);
    cmbCustomchanged(index);
}

QSWFInfo* QSWFWindow::selectedRecord() const {
    return static_cast<QSWFInfo*>(m_cmbCustom->currentData().value<void*>());
}

void QSWFWindow::updateSettingsButtons() {
    QSWFInfo* r = selectedRecord();
    bool deletable = r && r->isDelete == 1;
    bool custom = r && r->name == "Custom";
    m_btnRemove->setEnabled(deletable && !custom);
    m_btnSave->setEnabled(custom || deletable);
    m_cmbCustom->setEditable(custom || deletable);
    if (m_cmbCustom->isEditable()) m_cmbCustom->setInsertPolicy(QComboBox::NoInsert);
}

void QSWFWindow::cmbCustomchanged(int i) {
    if (i < 0) return;
    m_settings->setCmbIndex(i);
    updateSettingsButtons();
    QSWFInfo* r = selectedRecord();
    if (!m_applyToTabs || !r) return;
    loadTabs(r);
    if (auto* row = static_cast<QTWItem*>(m_tasks->currentItem())) {
        QShrinkwell::CopySWFInfo(r, row->info());
        setTreeResItemUI(row->info());
    }
}

void QSWFWindow::CheckCustomSettings() {
    int i = m_cmbCustom->currentIndex();
    if (i < 0 || i >= kCustomIndex) return;
    m_applyToTabs = false;
    m_cmbCustom->setCurrentIndex(kCustomIndex);
    m_applyToTabs = true;
}

void QSWFWindow::loadTabs(QSWFInfo* info) {
    m_imageTab->setImageInfo(info);
    m_shapeTab->setShapeInfo(info);
    m_soundTab->setSoundInfo(info);
    m_videoTab->setVideoInfo(info);
    m_fontTab->setFontInfo(info);
}

void QSWFWindow::readTabs(QSWFInfo* info) {
    m_imageTab->getImageInfo(info);
    m_shapeTab->getShapeInfo(info);
    m_soundTab->getSoundInfo(info);
    m_videoTab->getVideoInfo(info);
    info->Sha_FontCCR = m_fontTab->ratio()->value();
    info->Sha_FontHifi = m_fontTab->quality()->isChecked() ? 1 : 0;
}

void QSWFWindow::pbtnSaveClicked() {
    QString name = m_cmbCustom->currentText().trimmed();
    if (!QShrinkwell::isValidName(name)) {
        QMsgBox(QMessageBox::Information, "Please enter a name for the customized settings.", QMessageBox::Ok, this)
            .exec();
        return;
    }
    int existing = m_cmbCustom->findText(name, Qt::MatchExactly | Qt::MatchCaseSensitive);
    if (existing < 0) {
        QSWFInfo* r = m_settings->addCustom(name);
        readTabs(r);
        m_cmbCustom->addItem(name, QVariant::fromValue<void*>(r));
        int index = m_cmbCustom->count() - 1;
        m_settings->setCmbIndex(index);
        m_applyToTabs = false;
        m_cmbCustom->setCurrentIndex(index);
        m_applyToTabs = true;
    } else if (existing < QShrinkwell::BUILTIN_COUNT) {
        // Built-in presets are fixed; taking one's name would shadow it for good.
        QMsgBox(QMessageBox::Information, "The built-in settings cannot be overwritten, please choose another name.",
                QMessageBox::Ok, this)
            .exec();
        return;
    } else {
        QMsgBox box(QMessageBox::Information,
                    "You are saving new settings under an existing name, do you want to Overwrite it?",
                    QMessageBox::NoButton, this);
        QPushButton* overwrite = box.addButton("Overwrite", QMessageBox::AcceptRole);
        QPushButton* cancel = box.addButton("Cancel", QMessageBox::RejectRole);
        box.setDefaultButton(cancel);
        box.exec();
        if (box.clickedButton() != overwrite) return;
        auto* target = static_cast<QSWFInfo*>(m_cmbCustom->itemData(existing).value<void*>());
        QSWFInfo* temp = m_settings->addCustom(name);
        readTabs(temp);
        QShrinkwell::CopySWFInfo(temp, target);
        m_settings->CustomRemove(temp);
        target->name = name;
        target->isDelete = 1;
    }
    if (!m_btnRemove->isEnabled() && name != "Custom") m_btnRemove->setEnabled(true);
}

void QSWFWindow::pbtnRemoveClicked() {
    if (m_cmbCustom->currentText() == "Custom") return;
    int index = m_cmbCustom->currentIndex();
    if (index < QShrinkwell::BUILTIN_COUNT) return;
    QMsgBox box(QMessageBox::Warning, "Are you sure to delete the customized settings?",
                QMessageBox::Yes | QMessageBox::No, this);
    if (box.exec() != QMessageBox::Yes) return;
    m_cmbCustom->removeItem(index);
    m_settings->CustomRemove(index - QShrinkwell::BUILTIN_COUNT);
}

void QSWFWindow::pbtnMoreOptionsClicked() {
    m_optionsShown = !m_optionsShown;
    m_tabs->setVisible(m_optionsShown);
    m_btnMoreOptions->setText(m_optionsShown ? "Hide More Options" : "Show More Options");
    m_btnMoreOptions->setImage(m_optionsShown ? ":/res/image/moreoptions_fold.png"
                                              : ":/res/image/moreoptions_unfold.png");
    applyWindowSize();
}

void QSWFWindow::applyWindowSize() {
    bool dropped = m_display->leftByDrop();
    int height = m_optionsShown ? (dropped ? 590 : 640) : (dropped ? 333 : 395);
    // The menu bar sits inside the window here, not at the top of the screen:
    // never cut the lists or the buttons off. A window made wider stays so.
    layout()->invalidate();
    const QSize least = layout()->minimumSize();
    setMinimumSize(least);
    resize(qMax(width(), kWindowWidth), qMax(height, least.height()));
}

void QSWFWindow::showPreferences() {
    if (isMinimized()) showNormal();
    COmblenSettings dialog(m_config, this);
    dialog.exec();
}

void QSWFWindow::showAbout() {
    CAboutBox box(this);
    box.exec();
}

void QSWFWindow::showHelp() { openPage(QUrl::fromLocalFile(writeUserGuide(m_dataDir)).toString()); }

void QSWFWindow::checkUpdate() { CUpdateCheck::run(*m_config, false); }

void QSWFWindow::openPage(const QString& url) {
    // The tests and the screenshot runs start many windows on a fresh home.
    if (qEnvironmentVariableIsSet("SHRINKWELL_NO_BROWSER")) return;
    QDesktopServices::openUrl(QUrl(url));
}
