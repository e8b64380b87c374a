// The main window's fixed layout: one setup function per region, then the
// wiring of every handler.

#include "app/zolt.h"

#include <QAccessible>
#include <QBoxLayout>
#include <QGuiApplication>
#include <QHeaderView>
#include <QKeyEvent>
#include <QMouseEvent>
#include <QMovie>
#include <QOpenGLContext>
#include <QOpenGLWidget>
#include <QPainter>
#include <QScreen>
#include <QStyledItemDelegate>
#include <QTimer>
#include <QTreeWidget>
#include <algorithm>
#include <cstdio>
#include <functional>
#include <utility>
#include <vector>

#include "look/artwork/artwork.h"
#include "app/homeview.h"
#include "look/colours.h"
#include "look/labelbutton.h"
#include "look/layoutfont.h"
#include "platform/rtf/richtextviewer.h"

using zolt::LabelButton;
using zolt::LayoutFont;
using zolt::SetHoverLook;
using zolt::kDark;
using zolt::kLight;
using zolt::SansSerif;
using zolt::SetColours;

namespace {

constexpr int kClientWidth = 757;
constexpr int kClientHeight = 491;
constexpr int kHeaderHeight = 60;
constexpr int kBannerStripHeight = 65;
constexpr int kTreeColumnWidth = 217;

const QColor kTreeText(18, 14, 97);    // 0x610E12
const QColor kNavy(0, 0, 128);
const QColor kFooterGrey(128, 128, 128);
const QColor kHotTrack(0, 102, 204);   // the desktop's hot-tracking colour

void SetTextColour(QWidget* widget, const QColor& text) {
  QPalette palette = widget->palette();
  palette.setColor(QPalette::WindowText, text);
  widget->setPalette(palette);
}

// A bitmap of the artwork, shown at its natural size (nothing if absent),
// drawn from the picture made for the screen's pixel density.
QLabel* Decoration(QWidget* parent, const char* name, const char* resource, QPoint at) {
  auto* label = new QLabel(parent);
  label->setObjectName(QString::fromLatin1(name));
  const QPixmap pixmap = QPixmap::fromImage(zolt::artwork::Picture(resource, parent->devicePixelRatioF()));
  label->setPixmap(pixmap);
  label->setGeometry(QRect(at, pixmap.isNull() ? QSize(89, 17) : pixmap.deviceIndependentSize().toSize()));
  return label;
}

// The substitute fonts run a little wider than the ones the layout was drawn
// with: a caption in a fixed box steps down a pixel at a time until it fits.
void FitCaption(QLabel* label) {
  QFont font = label->font();
  while (font.pixelSize() > 8 &&
         QFontMetrics(font).horizontalAdvance(label->text()) > label->width()) {
    font.setPixelSize(font.pixelSize() - 1);
  }
  label->setFont(font);
}

QWidget* Region(QWidget* parent, const char* name) {
  auto* region = new QWidget(parent);
  region->setObjectName(QString::fromLatin1(name));
  return region;
}

// The navigation tree. It never lets its selection drift from the page: a
// press with another button than the left one changes nothing, a left click
// on empty space changes no selection but is a click on the tree (it shows
// the selected entry again), a drag does not move the selection, and a key
// that moves the selection opens the new entry as a click would. While the
// page is being refreshed it takes no input at all.
class ElencoTree : public QTreeWidget {
 public:
  using QTreeWidget::QTreeWidget;

  std::function<bool()> busy;                        // a page refresh is running
  std::function<void()> open;                        // the tree click
  std::function<void(QTreeWidgetItem*, int)> moved;  // a key moved the selection from the item
  std::function<void()> scrolled;                    // other entries came into view
  bool clickedSincePress = false;
  bool expandedSincePress = false;

 protected:
  QItemSelectionModel::SelectionFlags selectionCommand(const QModelIndex& index,
                                                       const QEvent* event) const override {
    if (!index.isValid()) return QItemSelectionModel::NoUpdate;
    if (event) {
      switch (event->type()) {
        case QEvent::MouseButtonPress:
        case QEvent::MouseButtonDblClick:
        case QEvent::KeyPress:
          break;
        default:
          return QItemSelectionModel::NoUpdate;  // moves and releases select nothing
      }
    }
    // Control and Shift never clear or extend: one entry is always selected.
    return QItemSelectionModel::ClearAndSelect | QItemSelectionModel::Rows;
  }

  void mousePressEvent(QMouseEvent* event) override {
    droppedPress_ = busy() || event->button() != Qt::LeftButton ||
                    !indexAt(event->position().toPoint()).isValid();
    emptyPress_ = droppedPress_ && !busy() && event->button() == Qt::LeftButton;
    if (droppedPress_) {
      event->accept();
      return;
    }
    clickedSincePress = false;
    expandedSincePress = false;
    QTreeWidgetItem* before = currentItem();
    QTreeWidget::mousePressEvent(event);
    selectedByPress_ = currentItem() != before && !expandedSincePress;
  }

  void mouseReleaseEvent(QMouseEvent* event) override {
    if (droppedPress_ || busy() || event->button() != Qt::LeftButton) {
      const bool click = emptyPress_ && !busy() && event->button() == Qt::LeftButton;
      emptyPress_ = false;
      event->accept();
      if (click) open();  // nothing when no entry is selected
      return;
    }
    QTreeWidget::mouseReleaseEvent(event);
    // Pressed on one entry, released elsewhere: the entry is selected, so it opens.
    if (selectedByPress_ && !clickedSincePress && !selectedItems().isEmpty()) open();
    selectedByPress_ = false;
  }

  void mouseDoubleClickEvent(QMouseEvent* event) override {
    if (busy() || event->button() != Qt::LeftButton || !indexAt(event->position().toPoint()).isValid()) {
      droppedPress_ = true;
      event->accept();
      return;
    }
    droppedPress_ = false;
    emptyPress_ = false;
    QTreeWidget::mouseDoubleClickEvent(event);
  }

  void keyPressEvent(QKeyEvent* event) override {
    const int key = event->key();
    if (busy() || key == Qt::Key_Asterisk) {  // "expand all" would select every entry in turn
      event->accept();
      return;
    }
    if (key == Qt::Key_Return || key == Qt::Key_Enter || key == Qt::Key_Space) {
      event->accept();
      open();
      return;
    }
    QTreeWidgetItem* before = currentItem();
    QTreeWidget::keyPressEvent(event);
    QTreeWidgetItem* after = currentItem();
    if (after && after != before && after->isSelected()) moved(before, key);
  }

  void scrollContentsBy(int dx, int dy) override {
    QTreeWidget::scrollContentsBy(dx, dy);
    if (scrolled) scrolled();
  }

 private:
  bool droppedPress_ = false;
  bool emptyPress_ = false;  // a left press on empty space, a click when released
  bool selectedByPress_ = false;
};

// Where a window of `size` stands centred in `area`; a window larger than
// the area keeps its top-left corner (and its title bar) inside it.
QPoint CentredIn(const QRect& area, const QSize& size) {
  return {area.left() + std::max(0, (area.width() - size.width()) / 2),
          area.top() + std::max(0, (area.height() - size.height()) / 2)};
}

}  // namespace

TZolt::PageRefresh::PageRefresh(TZolt& zolt) : zolt_(zolt) {
  if (zolt_.refreshDepth_++ == 0) zolt_.loadedThisVisit_.clear();  // a new visit loads afresh
}

TZolt::PageRefresh::~PageRefresh() {
  if (--zolt_.refreshDepth_ == 0) zolt_.pageRefreshed();
}

TZolt::TZolt(QWidget* parent) : QWidget(parent), ColoreScuro(kDark), ColoreChiaro(kLight) {
  setupWindow();
  setupHeader();
  setupTabs();
  setupLeftColumn();
  setupItemPage();
  setupBrowserPane();
  setupBannerStrip();
  setupDocking();
  wireHandlers();
  // A window made once the web engine is there makes its view at once.
  if (zolt::HomeModuleReady()) StartHomePage();
}

TZolt::~TZolt() = default;

void TZolt::setupWindow() {
  setObjectName(QStringLiteral("Zolt"));
  setWindowTitle(QStringLiteral("Zolt"));
  setWindowFlags(Qt::Window | Qt::CustomizeWindowHint | Qt::WindowTitleHint |
                 Qt::WindowSystemMenuHint | Qt::WindowMinimizeButtonHint |
                 Qt::WindowCloseButtonHint);
  setFixedSize(kClientWidth, kClientHeight);
  setFont(LayoutFont(SansSerif(), 8));
  QPalette palette = this->palette();
  palette.setColor(QPalette::Window, Qt::white);
  palette.setColor(QPalette::WindowText, Qt::white);
  setPalette(palette);
  setAutoFillBackground(true);
  if (const QScreen* screen = QGuiApplication::primaryScreen()) {
    move(CentredIn(screen->availableGeometry(), size()));
  }
}

void TZolt::setupHeader() {
  Panel3 = Region(this, "Panel3");
  Image3 = Decoration(Panel3, "Image3", zolt::artwork::kLogoPicture, {2, 4});
  Image7 = Decoration(Panel3, "Image7", zolt::artwork::kStrip, {412, 1});
  Image1 = Decoration(Panel3, "Image1", zolt::artwork::kStrip, {606, 1});
  Image8 = Decoration(Panel3, "Image8", zolt::artwork::kStrip, {667, 43});
  Image2 = Decoration(Panel3, "Image2", zolt::artwork::kStrip, {221, 43});
  Image6 = Decoration(Panel3, "Image6", zolt::artwork::kStrip, {606, 26});
  Image9 = Decoration(Panel3, "Image9", zolt::artwork::kStrip, {412, 26});
  Image2->hide();
  Image6->hide();
  Image9->hide();

  RxGIFAnimator1 = new LabelButton(Panel3);
  RxGIFAnimator1->setObjectName(QStringLiteral("RxGIFAnimator1"));
  RxGIFAnimator1->setGeometry(0, 0, 138, 57);
  RxGIFAnimator1->setFocusPolicy(Qt::NoFocus);  // Label5 over it takes the keyboard
  // Each frame is stretched to the logo's box at the screen's own pixels,
  // from the animation drawn for the screen's pixel density.
  const qreal ratio = Panel3->devicePixelRatioF();
  logoMovie_ = new QMovie(zolt::artwork::Resource(zolt::artwork::kLogo, ratio),
                          QByteArray(), this);
  if (logoMovie_->isValid()) {
    connect(logoMovie_, &QMovie::frameChanged, this, [this] {
      const qreal dpr = RxGIFAnimator1->devicePixelRatioF();
      QImage frame = logoMovie_->currentImage().scaled((QSizeF(RxGIFAnimator1->size()) * dpr).toSize(),
                                                       Qt::IgnoreAspectRatio, Qt::SmoothTransformation);
      frame.setDevicePixelRatio(dpr);
      RxGIFAnimator1->setPixmap(QPixmap::fromImage(std::move(frame)));
    });
    logoMovie_->start();
  }

  Label5 = new LabelButton(Panel3);
  Label5->setObjectName(QStringLiteral("Label5"));
  Label5->setGeometry(-8, 0, 121, 57);
  Label5->setAccessibleName(QStringLiteral("Home"));
  Label5->setAccessibleDescription(QStringLiteral("Zolt CD"));
  Label5->setFocusColour(kDark);

  const QFont small = LayoutFont(SansSerif(), 8);
  Label7 = new LabelButton(QStringLiteral(" Home "), Panel3);
  Label7->setObjectName(QStringLiteral("Label7"));
  Label7->setGeometry(502, 1, 43, 16);
  Label7->setFont(small);
  SetColours(Label7, kLight, Qt::white);
  FitCaption(Label7);

  Label3 = new LabelButton(QStringLiteral("  Ricerca  "), Panel3);
  Label3->setObjectName(QStringLiteral("Label3"));
  Label3->setGeometry(546, 1, 59, 16);
  Label3->setFont(small);
  SetColours(Label3, kDark, Qt::white);
  FitCaption(Label3);
}

void TZolt::setupTabs() {
  static const char* const kNames[12] = {"Linguetta01", "Linguetta02", "Linguetta03",
                                         "Linguetta04", "Linguetta05", "Linguetta06",
                                         "Label8",      "Label9",      "Label10",
                                         "Label11",     "Label12",     "Label13"};
  const QFont font = LayoutFont(SansSerif(), 10);
  for (int k = 0; k < 12; ++k) {
    auto* tab = new LabelButton(Panel3);
    tab->setObjectName(QString::fromLatin1(kNames[k]));
    tab->setFont(font);
    tab->setAlignment(Qt::AlignCenter);
    tab->setGeometry(221, k < 6 ? 43 : 26, 68, 16);
    SetColours(tab, kLight, Qt::white);
    tab->setAccessibleRole(QAccessible::PageTab);
    tab->hide();
    Linguette[static_cast<std::size_t>(k)] = tab;
  }
  Linguetta01 = Linguette[0];
  Label8 = Linguette[6];
}

void TZolt::setupLeftColumn() {
  Panel1 = Region(this, "Panel1");
  Panel1->setFixedWidth(kTreeColumnWidth);

  Panel2 = new QLabel(Panel1);
  Panel2->setObjectName(QStringLiteral("Panel2"));
  Panel2->setGeometry(0, 0, kTreeColumnWidth, 37);
  SetColours(Panel2, kLight, Qt::white);

  Elenco = new ElencoTree(Panel1);
  Elenco->setObjectName(QStringLiteral("Elenco"));
  Elenco->setUniformRowHeights(true);  // one line of one font: rows are laid out at once
  Elenco->setHeaderLabel(QStringLiteral("Voci della sezione"));
  Elenco->setAccessibleName(QStringLiteral("Voci della sezione"));
  Elenco->setGeometry(0, 37, kTreeColumnWidth, 315);
  Elenco->setFrameShape(QFrame::NoFrame);
  Elenco->setHeaderHidden(true);
  Elenco->setColumnCount(1);
  Elenco->setIndentation(19);
  Elenco->setEditTriggers(QAbstractItemView::NoEditTriggers);
  Elenco->setSelectionMode(QAbstractItemView::SingleSelection);
  Elenco->setExpandsOnDoubleClick(false);
  Elenco->setFont(LayoutFont(SansSerif(), 10));
  Elenco->setMouseTracking(true);
  Elenco->viewport()->setAttribute(Qt::WA_Hover);
  Elenco->viewport()->setCursor(Qt::PointingHandCursor);
  // Hot tracking of the tree: the entry under the mouse is underlined in the
  // desktop's link colour.
  Elenco->setItemDelegate(new zolt::HotTrackDelegate(Elenco, kHotTrack));
  QPalette palette = Elenco->palette();
  palette.setColor(QPalette::Base, Qt::white);
  palette.setColor(QPalette::Text, kTreeText);
  palette.setColor(QPalette::WindowText, kTreeText);  // expand arrows, scroll bar
  // The selection stays visible when the tree loses the focus.
  for (const auto role : {QPalette::Highlight, QPalette::HighlightedText}) {
    palette.setColor(QPalette::Inactive, role, palette.color(QPalette::Active, role));
  }
  Elenco->setPalette(palette);
  zolt::AddFocusMark(Elenco, Elenco->viewport(), kDark);
}

void TZolt::setupItemPage() {
  MainPanel = Region(this, "MainPanel");

  LProdotto = new QLabel(MainPanel);
  LProdotto->setObjectName(QStringLiteral("LProdotto"));
  LProdotto->setGeometry(0, 0, 353, 37);
  LProdotto->setFont(LayoutFont(SansSerif(), 12, true));
  LProdotto->setAlignment(Qt::AlignLeft | Qt::AlignVCenter);
  LProdotto->setIndent(8);
  SetColours(LProdotto, kLight, kNavy);

  Panel4 = Region(MainPanel, "Panel4");
  Panel4->setGeometry(352, 0, 188, 37);
  QPalette light = Panel4->palette();
  light.setColor(QPalette::Window, kLight);
  Panel4->setPalette(light);
  Panel4->setAutoFillBackground(true);
  const QFont buttons = LayoutFont(SansSerif(), 10);
  const auto makeButton = [&](const char* name, const char* text, QRect box) {
    auto* button = new LabelButton(QString::fromUtf8(text), Panel4);
    button->setObjectName(QString::fromLatin1(name));
    button->setGeometry(box);
    button->setFont(buttons);
    button->setAlignment(Qt::AlignCenter);
    SetColours(button, kDark, Qt::white);
    FitCaption(button);
    return button;
  };
  Label4 = makeButton("Label4", "  Installa  ", {9, 21, 54, 16});
  Label2 = makeButton("Label2", "  Copia file  ", {64, 21, 68, 16});
  Label1 = makeButton("Label1", "  Sfoglia  ", {133, 21, 54, 16});
  // The three buttons of the bar share one size: the smallest that fits all.
  const int size = std::min({Label4->font().pixelSize(), Label2->font().pixelSize(),
                             Label1->font().pixelSize()});
  for (QLabel* button : {Label4, Label2, Label1}) {
    QFont font = button->font();
    font.setPixelSize(size);
    button->setFont(font);
  }
  Label4->hide();

  Immagine = new LabelButton(MainPanel);
  Immagine->setObjectName(QStringLiteral("Immagine"));
  Immagine->setGeometry(16, 48, 305, 313);
  Immagine->setAlignment(Qt::AlignLeft | Qt::AlignTop);
  Immagine->setAccessibleRole(QAccessible::Graphic);
  Immagine->setFocusColour(kDark);

  MemoTesto = new zolt::RichTextViewer(MainPanel);
  MemoTesto->setObjectName(QStringLiteral("MemoTesto"));
  MemoTesto->setGeometry(368, 56, 168, 310);
  MemoTesto->setReadOnly(true);
  MemoTesto->setFrameShape(QFrame::NoFrame);
  MemoTesto->setFont(LayoutFont(SansSerif(), 10));
  MemoTesto->viewport()->setCursor(Qt::ArrowCursor);
  QPalette text = MemoTesto->palette();
  text.setColor(QPalette::Text, kNavy);
  text.setColor(QPalette::Base, Qt::white);
  text.setColor(QPalette::WindowText, kNavy);  // the scroll bar's arrows
  // Selected text and the link the keyboard is on, in the layout's colours.
  for (const auto group : {QPalette::Active, QPalette::Inactive}) {
    text.setColor(group, QPalette::Highlight, kDark);
    text.setColor(group, QPalette::HighlightedText, Qt::white);
  }
  MemoTesto->setPalette(text);
  MemoTesto->setAccessibleName(QStringLiteral("Descrizione"));
  zolt::AddFocusMark(MemoTesto, MemoTesto->viewport(), kDark);
}

// The pane the Home page's view fills once its module has made it.
void TZolt::setupBrowserPane() {
  PanBrowser = Region(MainPanel, "PanBrowser");
  PanBrowser->setGeometry(0, 32, 369, 334);
  auto* fill = new QVBoxLayout(PanBrowser);
  fill->setContentsMargins(0, 0, 0, 0);
  PanBrowser->hide();
  // The web view draws with OpenGL, in the context the application shares
  // among its windows (made with the application); where there is none, the
  // web engine cannot run at all.
  const QOpenGLContext* shared = QOpenGLContext::globalShareContext();
  glWorks_ = shared != nullptr && shared->isValid();
  if (!glWorks_) return;
  // The window is drawn through OpenGL from its first show: the web view's
  // GL surface joining it later then finds it ready instead of making the
  // native window again (a flash, and a new window for the desktop).
  auto* gl = new QOpenGLWidget(this);
  gl->setObjectName(QStringLiteral("GLReady"));
  gl->setGeometry(0, 0, 1, 1);
  gl->hide();
}

void TZolt::StartHomePage() {
  if (!homeStarted_) {
    // A Home folder without its page needs no web engine.
    const bool pageAsked = homeRequest_ && *homeRequest_ != QUrl(QStringLiteral("about:blank"));
    if (!pageAsked && !zolt::HomeModuleReady()) return;
    homeStarted_ = true;
    if (!glWorks_) {
      std::fputs("zolt: la pagina Home non è disponibile: OpenGL non funziona su questo schermo.\n", stderr);
    } else if (const zolt::MakeHomeView make = zolt::LoadHomeModule()) {
      home_.reset(make(PanBrowser, this));
      WebBrowser1 = home_->View();
      QWidget* view = home_->Widget();
      setTabOrder(MemoTesto, view);
      setTabOrder(view, Banner);
    }
  }
  if (home_ && homeRequest_) home_->Show(*std::exchange(homeRequest_, std::nullopt));
}

void TZolt::EngineMayStart() {
  engineMayStart_ = true;
  StartHomePage();
}

void TZolt::paintEvent(QPaintEvent* event) {
  QWidget::paintEvent(event);
  if (painted_) return;
  painted_ = true;
  emit FirstPainted();
}

void TZolt::setupBannerStrip() {
  PanBanner = Region(this, "PanBanner");
  Image5 = Decoration(PanBanner, "Image5", zolt::artwork::kBannerLeft, {0, 0});
  Image4 = Decoration(PanBanner, "Image4", zolt::artwork::kBannerRight, {0, 0});
  Image4->move(kClientWidth - Image4->width(), 0);

  Banner = new LabelButton(PanBanner);
  Banner->setObjectName(QStringLiteral("Banner"));
  Banner->setGeometry(144, 3, 468, 60);
  Banner->setAccessibleRole(QAccessible::Link);
  Banner->setFocusColour(kDark);
  Banner->hide();

  Label6 = new LabelButton(QStringLiteral("Powered by Tavelo"), PanBanner);
  Label6->setObjectName(QStringLiteral("Label6"));
  Label6->setGeometry(644, 50, 111, 13);
  Label6->setFont(LayoutFont(QStringLiteral("Verdana"), 8));
  SetTextColour(Label6, kFooterGrey);
  Label6->setAccessibleRole(QAccessible::Link);
  FitCaption(Label6);
}

// Header along the top, banner strip along the bottom, the tree column at the
// left and the item page filling the rest: a change of the tree column's
// width moves and widens the page.
void TZolt::setupDocking() {
  Panel3->setFixedHeight(kHeaderHeight);
  PanBanner->setFixedHeight(kBannerStripHeight);
  auto* row = new QHBoxLayout;
  row->setContentsMargins(0, 0, 0, 0);
  row->setSpacing(0);
  row->addWidget(Panel1);
  row->addWidget(MainPanel, 1);

  auto* column = new QVBoxLayout(this);
  column->setContentsMargins(0, 0, 0, 0);
  column->setSpacing(0);
  column->addWidget(Panel3);
  column->addLayout(row, 1);
  column->addWidget(PanBanner);
  column->activate();
}

void TZolt::setPanel1Width(int width) {
  Panel1->setFixedWidth(width);
  layout()->activate();
}

void TZolt::wireHandlers() {
  for (LabelButton* home : {Label5, Label7, static_cast<LabelButton*>(RxGIFAnimator1)}) {
    connect(home, &LabelButton::clicked, this, &TZolt::Label5Click);
  }
  for (LabelButton* tab : Linguette) {
    connect(tab, &LabelButton::clicked, this, [this, tab] { Linguetta01Click(tab); });
  }
  // The seventeen label-buttons share the hover look.
  std::vector<LabelButton*> hover(Linguette.begin(), Linguette.end());
  hover.insert(hover.end(), {Label7, Label3, Label1, Label2, Label4});
  for (LabelButton* label : hover) {
    connect(label, &LabelButton::mouseMoved, this, [this, label] { Linguetta01MouseMove(label); });
    connect(label, &LabelButton::mouseLeft, this, [this, label] { Linguetta02MouseLeave(label); });
  }
  connect(Label3, &LabelButton::clicked, this, &TZolt::Label3Click);
  connect(Label4, &LabelButton::clicked, this, &TZolt::Image2Click);
  connect(Label2, &LabelButton::clicked, this, &TZolt::ImageCopiaClick);
  connect(Label1, &LabelButton::clicked, this, &TZolt::Label1Click);
  connect(Banner, &LabelButton::clicked, this, &TZolt::BannerClick);
  connect(Label6, &LabelButton::clicked, this, &TZolt::Label6Click);
  connect(Immagine, &LabelButton::clicked, this, &TZolt::ImmagineClick);
  connect(MemoTesto, &zolt::RichTextViewer::linkClicked, this, &TZolt::MemoTestoURLClick);

  auto* tree = static_cast<ElencoTree*>(Elenco);
  tree->busy = [this] { return refreshDepth_ > 0; };
  tree->open = [this] { ElencoClick(); };
  tree->moved = [this](QTreeWidgetItem* from, int key) { ElencoKeyMove(from, key); };
  tree->scrolled = [this] { listVisibleSubEntries(); };
  connect(Elenco, &QTreeWidget::itemExpanded, this, [this, tree](QTreeWidgetItem* voce) {
    tree->expandedSincePress = true;
    noteExpanded(voce, true);
    ElencoExpanding(voce);
  });
  connect(Elenco, &QTreeWidget::itemCollapsed, this, [this](QTreeWidgetItem* voce) {
    noteExpanded(voce, false);
    ElencoCollapsing(voce);
    listVisibleSubEntries();  // the entries below move up into view
  });
  // The tree opens the new entry and closes the others once the click that
  // selected it is over: closing rows under the mouse would move the entry.
  connect(Elenco, &QTreeWidget::currentItemChanged, this, [this] {
    QTimer::singleShot(0, this, [this] { singleExpand(Elenco->currentItem()); });
  });
  // A click is over once the tree has updated its selection.
  connect(Elenco, &QTreeWidget::itemClicked, this, [this, tree] {
    tree->clickedSincePress = true;
    ElencoClick();
  });
  MainPanel->installEventFilter(this);
  // Home page announcements follow the Home action itself.
  for (LabelButton* home : {Label5, Label7, static_cast<LabelButton*>(RxGIFAnimator1)}) {
    connect(home, &LabelButton::clicked, this, &TZolt::pageRefreshed);
  }
  setupTabOrder();
}

void TZolt::showEvent(QShowEvent* event) {
  QWidget::showEvent(event);
  if (!shown_) {
    shown_ = true;
    FormShow();
  }
}

bool TZolt::eventFilter(QObject* watched, QEvent* event) {
  if (watched == MainPanel && event->type() == QEvent::Resize && browserFillsPage_) {
    PanBrowser->setGeometry(MainPanel->rect());
  }
  return QWidget::eventFilter(watched, event);
}

// Tab and Shift+Tab follow the layout: the header from the logo to the
// tabs, the tree, the page (its buttons, the picture, the description or
// the Home page) and the bottom strip.
void TZolt::setupTabOrder() {
  std::vector<QWidget*> order{Label5, Label7, Label3};
  order.insert(order.end(), Linguette.begin(), Linguette.end());
  order.insert(order.end(), {Elenco, Label4, Label2, Label1, Immagine, MemoTesto, Banner, Label6});
  for (std::size_t i = 1; i < order.size(); ++i) setTabOrder(order[i - 1], order[i]);
}

// After a refresh: what assistive technology reads of the page follows the
// item, and the new page is announced by its title once the handler that
// changed it is over.
void TZolt::pageRefreshed() {
  const QString title = LProdotto->text().trimmed();
  Immagine->setAccessibleName(title);
  Banner->setAccessibleName(IndirizzoBanner);
  Label6->setAccessibleDescription(QStringLiteral("https://www.tavelo.it/"));
  if (announcePending_) return;
  announcePending_ = true;
  QTimer::singleShot(0, this, [this] {
    announcePending_ = false;
    const bool home = !PanBrowser->isHidden();
    const QString name = home ? QStringLiteral("Home") : LProdotto->text().trimmed();
    Immagine->setAccessibleName(name);
    MainPanel->setAccessibleName(name);
    QAccessibleEvent changed(MainPanel, QAccessible::NameChanged);
    QAccessible::updateAccessibility(&changed);
  });
}

void TZolt::FormShow() {
  ++formShowCount_;
  ColoreChiaro = kLight;
  ColoreScuro = kDark;
  CreaLinguette();
  Label5Click();
  Label5Click();
}

void TZolt::Linguetta01MouseMove(QLabel* etichetta) { SetHoverLook(etichetta, true); }

void TZolt::Linguetta02MouseLeave(QLabel* etichetta) { SetHoverLook(etichetta, false); }
