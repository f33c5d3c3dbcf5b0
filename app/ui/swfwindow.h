// The program's main window: the task list of movies, the resource kinds of
// the selected one, the preset selector, the option tabs and the run loop that
// compresses the checked movies one after another on a worker thread.
#pragma once
#include <QList>
#include <QMainWindow>
#include <QStringList>

#include "main/constants.h"
#include "ui/outputnaming.h"

class CImageButton;
class QAction;
class CLoadFileProgressBar;
class Config;
class QComboBox;
class QProgressBar;
class QDisplayWnd;
class QFontTab;
class QImageTab;
class QResourceList;
class QShapeTab;
class QShrinkwell;
class QSoundTab;
class QStackedWidget;
class QSWFInfo;
class QTabWidget;
class QTaskList;
class QTaskThread;
class QToolBar;
class QTreeWidgetItem;
class QTWItem;
class QVideoTab;

class QSWFWindow : public QMainWindow {
    Q_OBJECT
public:
    explicit QSWFWindow(QWidget* parent = nullptr);
    ~QSWFWindow() override;

    Config* config() const { return m_config; }
    QShrinkwell* settings() const { return m_settings; }
    const QString& dataDirectory() const { return m_dataDir; }
    const QString& tempDirectory() const { return m_tmpDir; }

    void AddFiles(QStringList& paths);
    bool VerifyFlashFile(const QString& path);
    // Why path cannot become a task ("No such file.", "Not a Flash movie..."); empty when it can.
    QString loadFailure(const QString& path);
    // Reads the option tabs into a record the way a run does.
    void readTabs(QSWFInfo* info);
    bool isRunning() const { return m_thread != nullptr; }
    bool optionsShown() const { return m_optionsShown; }

    // For the tests and the screenshots: the parts of the window.
    QTaskList* taskList() const { return m_tasks; }
    QResourceList* resourceList() const { return m_resources; }
    QComboBox* presetSelector() const { return m_cmbCustom; }
    QImageTab* imageTab() const { return m_imageTab; }
    QShapeTab* shapeTab() const { return m_shapeTab; }
    QSoundTab* soundTab() const { return m_soundTab; }
    QVideoTab* videoTab() const { return m_videoTab; }
    QFontTab* fontTab() const { return m_fontTab; }
    QTabWidget* tabs() const { return m_tabs; }
    QDisplayWnd* startPanel() const { return m_display; }
    bool startPanelShown() const;
    CImageButton* saveButton() const { return m_btnSave; }
    CImageButton* removeButton() const { return m_btnRemove; }
    CImageButton* compressButton() const { return m_btnCompress; }
    CImageButton* moreOptionsButton() const { return m_btnMoreOptions; }
    // The entries of the run so far (emptied each time the list is shown).
    const QList<tagOutList*>& outputList() const { return m_outList; }

signals:
    // A run has ended: the pending list ran empty.
    void runFinished();
    // The output list is about to be shown; a test may take it instead.
    void outputListReady(const QList<tagOutList*>& list);

public slots:
    void pbtnAddSWFclicked();
    void pbtnDeleteClicked();
    void pbtnClearClicked();
    void pbtnSaveClicked();
    void pbtnRemoveClicked();
    void pbtnMoreOptionsClicked();
    void pbtnCompressClicked();
    void cmbCustomchanged(int i);
    void CheckCustomSettings();
    void TreeMainItemClicked(QTreeWidgetItem* item);
    void UpdateSWFInfoResItem(QTreeWidgetItem* item);
    void CompressRun();
    void deleteThread();
    void setButtonEnabled(bool b);
    void showPreferences();
    void showAbout();
    void showHelp();
    void checkUpdate();

protected:
    void closeEvent(QCloseEvent* event) override;
    void dragEnterEvent(QDragEnterEvent* event) override;
    void dropEvent(QDropEvent* event) override;

private slots:
    void AddSWFFileFinish(bool added);
    void onItemProgress(void* window, void* item, int value);
    void onLoadingProgress(int percent);

private:
    void buildWidgets();
    void buildMenus();
    void couple();
    void fillPresetSelector();
    QSWFInfo* selectedRecord() const;
    void updateSettingsButtons();
    void loadTabs(QSWFInfo* info);
    void setTreeResItemUI(QSWFInfo* info);
    void addSWFItem(const QString& path, QSWFInfo* info);
    void removeRows(const QList<QTWItem*>& rows);
    void showMainPanel();
    void applyWindowSize();
    void showOutputList();
    // A finished row: its new size and the share saved, kept, or why it failed.
    static void showOutcome(QProgressBar* bar, bool ok, bool kept, qint64 before, qint64 after,
                            const QString& error);
    tagOutList* outputEntry(const QString& srcpath);
    void openPage(const QString& url);

    QString m_dataDir;
    QString m_tmpDir;
    QShrinkwell* m_settings = nullptr;
    Config* m_config = nullptr;
    QTaskThread* m_thread = nullptr;
    tagOutList* m_running = nullptr;  // the entry of the file being compressed
    QList<QTWItem*> m_pending;
    QList<tagOutList*> m_outList;
    QStringList m_loadFail;
    bool m_applyToTabs = true;
    bool m_dropsEnabled = true;
    bool m_optionsShown = false;
    bool m_closing = false;

    QStackedWidget* m_stack = nullptr;
    QDisplayWnd* m_display = nullptr;
    QWidget* m_mainPanel = nullptr;
    QToolBar* m_toolbar = nullptr;
    QTaskList* m_tasks = nullptr;
    QResourceList* m_resources = nullptr;
    QComboBox* m_cmbCustom = nullptr;
    CImageButton* m_btnAdd = nullptr;
    CImageButton* m_btnDelete = nullptr;
    CImageButton* m_btnClear = nullptr;
    CImageButton* m_btnSave = nullptr;
    CImageButton* m_btnRemove = nullptr;
    CImageButton* m_btnMoreOptions = nullptr;
    CImageButton* m_btnCompress = nullptr;
    QTabWidget* m_tabs = nullptr;
    QImageTab* m_imageTab = nullptr;
    QShapeTab* m_shapeTab = nullptr;
    QSoundTab* m_soundTab = nullptr;
    QVideoTab* m_videoTab = nullptr;
    QFontTab* m_fontTab = nullptr;
    CLoadFileProgressBar* m_loading = nullptr;
    QAction* m_actAdd = nullptr;       // File menu, enabled with the buttons
    QAction* m_actCompress = nullptr;
};
