#pragma once
// The main window: header with the section tabs, the navigation tree at the
// left, the item page (title, description, picture, action buttons, or the
// Home page's web view) and the banner strip at the bottom. Fixed layout of
// 757 x 491 pixels.

#include <QColor>
#include <QString>
#include <QStringList>
#include <QUrl>
#include <QWidget>
#include <array>
#include <memory>
#include <optional>
#include <string>
#include <vector>

class QLabel;
class QMovie;
class QTreeWidget;
class QTreeWidgetItem;
class QWebEngineView;

namespace zolt {
class HomeView;
class RichTextViewer;
class LabelButton;
}  // namespace zolt

class TZolt : public QWidget {
  Q_OBJECT
  Q_DISABLE_COPY_MOVE(TZolt)

 public:
  explicit TZolt(QWidget* parent = nullptr);
  ~TZolt() override;

  // State of the current item and section.
  std::string PercorsoProdotto;    // item folder, no trailing separator
  std::string CartellaSezione;     // section folder name with its "_"
  std::string EseguibileProdotto;  // program file found by CercaEseguibile
  QString IndirizzoBanner;         // what a click on the banner opens
  QColor ColoreScuro;              // label-buttons, unselected tabs
  QColor ColoreChiaro;             // light strips, the selected tab

  // The search window, shown by "  Ricerca  " (set by start-up; not owned).
  QWidget* FRicerca = nullptr;

  // Header.
  QWidget* Panel3 = nullptr;
  QLabel* RxGIFAnimator1 = nullptr;
  zolt::LabelButton* Label5 = nullptr;
  std::array<zolt::LabelButton*, 12> Linguette{};  // Linguetta01..06, Label8..13
  zolt::LabelButton* Linguetta01 = nullptr;
  zolt::LabelButton* Label8 = nullptr;
  zolt::LabelButton* Label7 = nullptr;  // " Home "
  zolt::LabelButton* Label3 = nullptr;  // "  Ricerca  "
  QLabel* Image1 = nullptr;
  QLabel* Image2 = nullptr;
  QLabel* Image3 = nullptr;
  QLabel* Image6 = nullptr;
  QLabel* Image7 = nullptr;
  QLabel* Image8 = nullptr;
  QLabel* Image9 = nullptr;

  // Left column.
  QWidget* Panel1 = nullptr;
  QLabel* Panel2 = nullptr;
  QTreeWidget* Elenco = nullptr;

  // Item page.
  QWidget* MainPanel = nullptr;
  QLabel* LProdotto = nullptr;
  QWidget* Panel4 = nullptr;
  zolt::LabelButton* Label4 = nullptr;  // "  Installa  "
  zolt::LabelButton* Label2 = nullptr;  // "  Copia file  "
  zolt::LabelButton* Label1 = nullptr;  // "  Sfoglia  "
  zolt::LabelButton* Immagine = nullptr;
  zolt::RichTextViewer* MemoTesto = nullptr;
  QWidget* PanBrowser = nullptr;
  QWebEngineView* WebBrowser1 = nullptr;  // made by StartHomePage
  QStringList Memo1;  // lines of the last "banner.txt" read

  // Bottom strip.
  QWidget* PanBanner = nullptr;
  zolt::LabelButton* Banner = nullptr;
  QLabel* Image5 = nullptr;
  QLabel* Image4 = nullptr;
  zolt::LabelButton* Label6 = nullptr;  // "Powered by Tavelo"

  // Refreshes the item page from PercorsoProdotto; an empty title keeps the
  // tree's own title rule.
  void AggiornaScheda(const QString& titolo);

  // The one way the search window writes into this window: the item folder
  // `percorso` becomes the current item, titled `titolo`, and its page is
  // refreshed; nothing else of this window changes.
  void MostraProdotto(const std::string& percorso, const QString& titolo);

  // Looks for a program file under `percorso`; sets EseguibileProdotto when found.
  bool CercaEseguibile(const std::string& percorso);

  // Handlers, named after the control and the event.
  void FormShow();
  void CreaLinguette();
  void Linguetta01Click(zolt::LabelButton* linguetta);
  void AttivaMenuClick();
  void ElencoClick();
  void ElencoExpanding(QTreeWidgetItem* voce);
  void ElencoCollapsing(QTreeWidgetItem* voce);
  void Label3Click();
  void Label5Click();
  void Image2Click();
  void ImageCopiaClick();
  void ImmagineClick();
  void Label1Click();
  void BannerClick();
  void MemoTestoURLClick(const QString& indirizzo);
  void Label6Click();
  void Linguetta01MouseMove(QLabel* etichetta);
  void Linguetta02MouseLeave(QLabel* etichetta);

  // Makes the Home page's view from its module (loaded on the first call that
  // has a page to show) and shows the Home page last asked for. Until then the
  // web pane shows the page's background; without the module it stays so.
  void StartHomePage();

  // From now on the Home page's web engine may be loaded (the start-up calls
  // it once the disc has been read ahead for it); starts the Home page asked for.
  void EngineMayStart();

  // The number of times FormShow has run (it runs on the first show only).
  int FormShowCount() const { return formShowCount_; }

  // Held while the page is refreshed: the tree takes no input meanwhile, and
  // the end of the outermost refresh updates what assistive technology reads.
  // The outermost one is a visit: each item folder's files load once in it.
  class PageRefresh {
   public:
    explicit PageRefresh(TZolt& zolt);
    ~PageRefresh();
    PageRefresh(const PageRefresh&) = delete;
    PageRefresh& operator=(const PageRefresh&) = delete;

   private:
    TZolt& zolt_;
  };

  // A key moved the tree's selection away from `from`: the new entry opens.
  void ElencoKeyMove(QTreeWidgetItem* from, int key);

 signals:
  // The window's first paint is done (emitted once, from its paint event).
  void FirstPainted();

 protected:
  void showEvent(QShowEvent* event) override;
  void paintEvent(QPaintEvent* event) override;
  bool eventFilter(QObject* watched, QEvent* event) override;

 private:
  void setupWindow();
  void setupHeader();
  void setupTabs();
  void setupLeftColumn();
  void setupItemPage();
  void setupBrowserPane();
  void setupBannerStrip();
  void setupDocking();
  void wireHandlers();

  void setPanel1Width(int width);
  void colourTabs(zolt::LabelButton* selected);
  void showSelectedEntry(QTreeWidgetItem* voce);
  void singleExpand(QTreeWidgetItem* current);
  QTreeWidgetItem* selectedEntry() const;
  std::string entryPath(const QTreeWidgetItem* voce) const;
  bool refreshFromTree(const QString& titolo);
  void loadDescription();
  void loadPicture();
  void loadBanner();
  void loadBannerAddress();
  void updateInstallButton();
  void fillBrowserPane();
  void setupTabOrder();
  void pageRefreshed();
  void listSubEntries(QTreeWidgetItem* voce);
  void listVisibleSubEntries();
  void noteExpanded(QTreeWidgetItem* voce, bool expanded);

  QMovie* bannerMovie_ = nullptr;
  QMovie* logoMovie_ = nullptr;
  bool browserFillsPage_ = false;
  bool shown_ = false;
  bool painted_ = false;
  bool engineMayStart_ = false;             // EngineMayStart has run
  bool glWorks_ = false;                    // the windows' shared OpenGL context was made
  bool homeStarted_ = false;                // StartHomePage has run
  std::unique_ptr<zolt::HomeView> home_;   // the Home page's view, once made
  std::optional<QUrl> homeRequest_;        // the Home page last asked for
  int formShowCount_ = 0;
  int refreshDepth_ = 0;
  std::string loadedThisVisit_;  // the item folder whose files this visit has loaded
  bool announcePending_ = false;
  std::string listedSection_;                      // the section folder the tree holds, with "/"
  std::vector<QTreeWidgetItem*> expandedEntries_;  // first-level entries now expanded
};
