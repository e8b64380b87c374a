// The main window's fixed layout: one setup function per region, then the
// wiring of every handler.

#include "app/zolt.h"

#include <QBoxLayout>
#include <QGuiApplication>
#include <QHeaderView>
#include <QKeyEvent>
#include <QMouseEvent>
#include <QMovie>
#include <QPainter>
#include <QScreen>
#include <QStyledItemDelegate>
#include <QTimer>
#include <QTreeWidget>
#include <QWebEngineView>
#include <algorithm>
#include <vector>

#include "app/labelbutton.h"
#include "app/zoltapplication.h"
#include "platform/rtf/richtextviewer.h"

using zolt::LabelButton;
using zolt::LayoutFont;
using zolt::SetHoverLook;

namespace {

constexpr int kClientWidth = 757;
constexpr int kClientHeight = 491;
constexpr int kHeaderHeight = 60;
constexpr int kBannerStripHeight = 65;
constexpr int kTreeColumnWidth = 217;

const QColor kLight(215, 225, 232);    // 0xE8E1D7
const QColor kDark(92, 133, 160);      // 0xA0855C
const QColor kTreeText(18, 14, 97);    // 0x610E12
const QColor kNavy(0, 0, 128);
const QColor kFooterGrey(128, 128, 128);
const QColor kHotTrack(0, 102, 204);   // the desktop's hot-tracking colour

QString SansSerif() { return QStringLiteral("MS Sans Serif"); }

void SetColours(QLabel* label, const QColor& background, const QColor& text) {
  QPalette palette = label->palette();
  palette.setColor(QPalette::Window, background);
  palette.setColor(QPalette::WindowText, text);
  label->setPalette(palette);
  label->setAutoFillBackground(true);
}

void SetTextColour(QWidget* widget, const QColor& text) {
  QPalette palette = widget->palette();
  palette.setColor(QPalette::WindowText, text);
  widget->setPalette(palette);
}

// A bitmap of the artwork, shown at its natural size (nothing if absent).
QLabel* Decoration(QWidget* parent, const char* name, const QString& resource, QPoint at) {
  auto* label = new QLabel(parent);
  label->setObjectName(QString::fromLatin1(name));
  const QPixmap pixmap(resource);
  label->setPixmap(pixmap);
  label->setGeometry(QRect(at, pixmap.isNull() ? QSize(89, 17) : pixmap.size()));
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

// Hot tracking of the tree: the entry under the mouse is underlined in the
// desktop's link colour.
class HotTrackDelegate : public QStyledItemDelegate {
 public:
  using QStyledItemDelegate::QStyledItemDelegate;

 protected:
  void initStyleOption(QStyleOptionViewItem* option, const QModelIndex& index) const override {
    QStyledItemDelegate::initStyleOption(option, index);
    if (option->state & QStyle::State_MouseOver) {
      option->font.setUnderline(true);
      option->palette.setColor(QPalette::Text, kHotTrack);
    }
  }
};

}  // namespace

TZolt::TZolt(QWidget* parent) : QWidget(parent), ColoreScuro(kDark), ColoreChiaro(kLight) {
  setupWindow();
  setupHeader();
  setupTabs();
  setupLeftColumn();
  setupItemPage();
  setupWebView();
  setupBannerStrip();
  setupDocking();
  wireHandlers();
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
    const QRect area = screen->availableGeometry();
    move(area.center() - QPoint(kClientWidth / 2, kClientHeight / 2));
  }
}

void TZolt::setupHeader() {
  Panel3 = Region(this, "Panel3");
  Image3 = Decoration(Panel3, "Image3", QStringLiteral(":/artwork/logo-picture.png"), {2, 4});
  Image7 = Decoration(Panel3, "Image7", QStringLiteral(":/artwork/strip.png"), {412, 1});
  Image1 = Decoration(Panel3, "Image1", QStringLiteral(":/artwork/strip.png"), {606, 1});
  Image8 = Decoration(Panel3, "Image8", QStringLiteral(":/artwork/strip.png"), {667, 43});
  Image2 = Decoration(Panel3, "Image2", QStringLiteral(":/artwork/strip.png"), {221, 43});
  Image6 = Decoration(Panel3, "Image6", QStringLiteral(":/artwork/strip.png"), {606, 26});
  Image9 = Decoration(Panel3, "Image9", QStringLiteral(":/artwork/strip.png"), {412, 26});
  Image2->hide();
  Image6->hide();
  Image9->hide();

  RxGIFAnimator1 = new LabelButton(Panel3);
  RxGIFAnimator1->setObjectName(QStringLiteral("RxGIFAnimator1"));
  RxGIFAnimator1->setGeometry(0, 0, 138, 57);
  RxGIFAnimator1->setScaledContents(true);
  logoMovie_ = new QMovie(QStringLiteral(":/artwork/logo.gif"), QByteArray(), this);
  if (logoMovie_->isValid()) {
    RxGIFAnimator1->setMovie(logoMovie_);
    logoMovie_->start();
  }

  Label5 = new LabelButton(Panel3);
  Label5->setObjectName(QStringLiteral("Label5"));
  Label5->setGeometry(-8, 0, 121, 57);

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

  Elenco = new QTreeWidget(Panel1);
  Elenco->setObjectName(QStringLiteral("Elenco"));
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
  Elenco->setItemDelegate(new HotTrackDelegate(Elenco));
  QPalette palette = Elenco->palette();
  palette.setColor(QPalette::Base, Qt::white);
  palette.setColor(QPalette::Text, kTreeText);
  palette.setColor(QPalette::WindowText, kTreeText);  // expand arrows, scroll bar
  // The selection stays visible when the tree loses the focus.
  for (const auto role : {QPalette::Highlight, QPalette::HighlightedText}) {
    palette.setColor(QPalette::Inactive, role, palette.color(QPalette::Active, role));
  }
  Elenco->setPalette(palette);
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
  MemoTesto->setPalette(text);
}

void TZolt::setupWebView() {
  PanBrowser = Region(MainPanel, "PanBrowser");
  PanBrowser->setGeometry(0, 32, 369, 334);
  auto* fill = new QVBoxLayout(PanBrowser);
  fill->setContentsMargins(0, 0, 0, 0);
  WebBrowser1 = new QWebEngineView(PanBrowser);
  WebBrowser1->setObjectName(QStringLiteral("WebBrowser1"));
  fill->addWidget(WebBrowser1);
  PanBrowser->hide();
}

void TZolt::setupBannerStrip() {
  PanBanner = Region(this, "PanBanner");
  Image5 = Decoration(PanBanner, "Image5", QStringLiteral(":/artwork/banner-left.png"), {0, 0});
  Image4 = Decoration(PanBanner, "Image4", QStringLiteral(":/artwork/banner-right.png"), {0, 0});
  Image4->move(kClientWidth - Image4->width(), 0);

  Banner = new LabelButton(PanBanner);
  Banner->setObjectName(QStringLiteral("Banner"));
  Banner->setGeometry(144, 3, 468, 60);
  Banner->hide();

  Label6 = new LabelButton(QStringLiteral("Powered by Tavelo"), PanBanner);
  Label6->setObjectName(QStringLiteral("Label6"));
  Label6->setGeometry(644, 50, 111, 13);
  Label6->setFont(LayoutFont(QStringLiteral("Verdana"), 8));
  SetTextColour(Label6, kFooterGrey);
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

  connect(Elenco, &QTreeWidget::itemExpanded, this, &TZolt::ElencoExpanding);
  connect(Elenco, &QTreeWidget::itemCollapsed, this, &TZolt::ElencoCollapsing);
  // The tree opens the new entry and closes the others once the click that
  // selected it is over: closing rows under the mouse would move the entry.
  connect(Elenco, &QTreeWidget::currentItemChanged, this, [this] {
    QTimer::singleShot(0, this, [this] { singleExpand(Elenco->currentItem()); });
  });
  // A click is over once the tree has updated its selection.
  connect(Elenco, &QTreeWidget::itemClicked, this, [this] { ElencoClick(); });
  Elenco->installEventFilter(this);
  MainPanel->installEventFilter(this);
}

void TZolt::showEvent(QShowEvent* event) {
  QWidget::showEvent(event);
  if (!shown_) {
    shown_ = true;
    FormShow();
  }
}

bool TZolt::eventFilter(QObject* watched, QEvent* event) {
  if (watched == Elenco && event->type() == QEvent::KeyPress) {
    const int key = static_cast<QKeyEvent*>(event)->key();
    if (key == Qt::Key_Return || key == Qt::Key_Enter) {
      ElencoClick();
      return true;
    }
  } else if (watched == MainPanel && event->type() == QEvent::Resize && browserFillsPage_) {
    PanBrowser->setGeometry(MainPanel->rect());
  }
  return QWidget::eventFilter(watched, event);
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
