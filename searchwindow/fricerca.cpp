#include "searchwindow/fricerca.h"

#include "look/artwork/artwork.h"
#include "disc/catalogue.h"
#include "look/colours.h"
#include "look/labelbutton.h"
#include "app/zolt.h"
#include "look/layoutfont.h"
#include "platform/shell.h"
#include "searchwindow/searchtext.h"
#include "spreadsheet/msexcel.h"

#include <QCloseEvent>
#include <QGuiApplication>
#include <QHeaderView>
#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QMouseEvent>
#include <QPixmap>
#include <QPushButton>
#include <QStyledItemDelegate>
#include <QTreeWidget>

#include <cstdio>
#include <exception>

namespace {

constexpr int kClientWidth = 548;
constexpr int kClientHeight = 400;
// Distances that anchored controls keep from the right and bottom edges.
constexpr int kHitListRight = kClientWidth - (40 + 463);
constexpr int kHitListBottom = kClientHeight - (24 + 177);
constexpr int kArchiveRight = kClientWidth - (40 + 465);
constexpr int kArchiveBottom = kClientHeight - 224;  // from the archive list's top
constexpr int kArchiveLabelBottom = kClientHeight - 205;
constexpr int kCloseRight = kClientWidth - 439;
constexpr int kCloseBottom = kClientHeight - 380;
constexpr int kCornerWidth = 55;
constexpr int kCornerHeight = 53;
constexpr int kStripWidth = 92;
constexpr int kStripHeight = 18;

const char kNoHit[] = "Nessuna corrispondenza trovata in questo CD.";

}  // namespace

namespace zolt::search {

QString NoHitMessage(std::size_t unreadable) {
  QString message = QString::fromUtf8(kNoHit);
  if (unreadable == 1) {
    message += QStringLiteral("\n(1 descrizione non leggibile)");
  } else if (unreadable > 1) {
    message += QStringLiteral("\n(%1 descrizioni non leggibili)").arg(unreadable);
  }
  return message;
}

}  // namespace zolt::search

namespace {

void StyleLabelButton(QLabel* label) {
  label->setFont(zolt::LayoutFont(zolt::SansSerif(), 10));
  label->setAlignment(Qt::AlignCenter);
  zolt::SetColours(label, zolt::kDark, Qt::white);
}

void StyleHeading(QLabel* label) {
  QFont font = label->font();
  font.setBold(true);
  label->setFont(font);
  QPalette palette = label->palette();
  palette.setColor(QPalette::WindowText, zolt::kDark);
  label->setPalette(palette);
}

QString FromUtf8(const std::string& text) {
  return QString::fromUtf8(text.data(), static_cast<qsizetype>(text.size()));
}

// The picture drawn for the screen's pixel density, mirrored as asked; a
// null picture when the resource is absent.
QPixmap Picture(const QWidget* window, const char* resource, bool mirrorLeftRight, bool mirrorTopBottom) {
  const QImage image = zolt::artwork::Picture(resource, window->devicePixelRatioF());
  if (image.isNull()) return {};
  QImage mirrored = image.mirrored(mirrorLeftRight, mirrorTopBottom);
  mirrored.setDevicePixelRatio(image.devicePixelRatio());
  return QPixmap::fromImage(std::move(mirrored));
}

}  // namespace

TFRicerca::TFRicerca(TZolt* zolt, QWidget* parent)
    : QWidget(parent, Qt::Window), Zolt_(zolt), excel_(std::make_unique<zolt::TMSExcel>()) {
  setupWindow();
  setupPictures();
  setupSearchRow();
  setupHitList();
  setupArchiveList();
  setupCloseRow();
  wireHandlers();
  placeAnchored();
}

TFRicerca::~TFRicerca() = default;

void TFRicerca::setupWindow() {
  setObjectName(QStringLiteral("FRicerca"));
  setWindowTitle(QStringLiteral("Ricerca"));
  setFont(zolt::LayoutFont(zolt::SansSerif(), 8));
  setAutoFillBackground(true);
  QPalette palette = this->palette();
  palette.setColor(QPalette::Window, Qt::white);
  setPalette(palette);
  resize(kClientWidth, kClientHeight);
  // Below its designed size the lists would overlap the other controls.
  setMinimumSize(kClientWidth, kClientHeight);
  move(288, 274);
}

void TFRicerca::setupPictures() {
  // Steps of pale blue squares at the four corners, darkest along the edges.
  for (int i = 0; i < 4; ++i) {
    auto* corner = new QLabel(this);
    corner->setPixmap(Picture(this, zolt::artwork::kCorner, i % 2 == 1, i >= 2));
    corner->resize(kCornerWidth, kCornerHeight);
    corners_.push_back(corner);
  }
  // Squares fading from the label-buttons' blue to white away from each label.
  stripCerca_ = new QLabel(this);
  stripCerca_->setPixmap(Picture(this, zolt::artwork::kSearchStrip, false, false));
  stripCerca_->setGeometry(306 + 48, 6, kStripWidth, kStripHeight);
  stripChiudi_ = new QLabel(this);
  stripChiudi_->setPixmap(Picture(this, zolt::artwork::kSearchStrip, true, false));
  stripChiudi_->resize(kStripWidth, kStripHeight);
}

void TFRicerca::setupSearchRow() {
  Label1 = new QLabel(QStringLiteral("Ricerca"), this);
  Label1->setObjectName(QStringLiteral("Label1"));
  Label1->setGeometry(64, 5, 49, 13);
  StyleHeading(Label1);

  Edit1 = new QLineEdit(this);
  Edit1->setObjectName(QStringLiteral("Edit1"));
  Edit1->setGeometry(112, 5, 193, 21);
  Label1->setBuddy(Edit1);  // the edit box is announced as "Ricerca"

  Label2 = new zolt::LabelButton(QStringLiteral("  Cerca  "), this);
  Label2->setObjectName(QStringLiteral("Label2"));
  Label2->setGeometry(306, 7, 48, 16);
  StyleLabelButton(Label2);

  BitBtn3 = new QPushButton(QStringLiteral("Cerca"), this);
  BitBtn3->setObjectName(QStringLiteral("BitBtn3"));
  BitBtn3->hide();
}

void TFRicerca::setupHitList() {
  ListView1 = new QTreeWidget(this);
  ListView1->setObjectName(QStringLiteral("ListView1"));
  ListView1->setGeometry(40, 24, 463, 177);
  ListView1->setFont(zolt::LayoutFont(QStringLiteral("Verdana"), 9));
  ListView1->setColumnCount(2);
  ListView1->setHeaderLabels({QStringLiteral("Sezione"), QStringLiteral("Cartella")});
  ListView1->setRootIsDecorated(false);
  ListView1->setItemsExpandable(false);
  ListView1->setUniformRowHeights(true);
  ListView1->setSelectionMode(QAbstractItemView::SingleSelection);
  ListView1->setSelectionBehavior(QAbstractItemView::SelectRows);
  ListView1->setEditTriggers(QAbstractItemView::NoEditTriggers);
  ListView1->setItemDelegate(new zolt::HotTrackDelegate(ListView1));
  ListView1->setMouseTracking(true);
  ListView1->viewport()->setAttribute(Qt::WA_Hover);
  QHeaderView* header = ListView1->header();
  header->setSectionsMovable(false);
  header->setSectionResizeMode(0, QHeaderView::ResizeToContents);
  header->setStretchLastSection(true);  // "Cartella" takes the rest, 375 pixels at first
  ListView1->setColumnWidth(1, 375);
  ListView1->setAccessibleName(QStringLiteral("Risultati della ricerca"));
  zolt::AddFocusMark(ListView1, ListView1->viewport(), zolt::kDark);
}

void TFRicerca::setupArchiveList() {
  Label4 = new QLabel(QStringLiteral("Archivio Storico ZOLT"), this);
  Label4->setObjectName(QStringLiteral("Label4"));
  StyleHeading(Label4);

  MRisultato = new QListWidget(this);
  MRisultato->setObjectName(QStringLiteral("MRisultato"));
  MRisultato->setSelectionMode(QAbstractItemView::NoSelection);
  MRisultato->setUniformItemSizes(true);
  MRisultato->setAccessibleName(QStringLiteral("Archivio Storico ZOLT"));
  zolt::AddFocusMark(MRisultato, MRisultato->viewport(), zolt::kDark);
}

void TFRicerca::setupCloseRow() {
  Label3 = new zolt::LabelButton(QStringLiteral("  Chiudi  "), this);
  Label3->setObjectName(QStringLiteral("Label3"));
  StyleLabelButton(Label3);

  BitBtn4 = new QPushButton(QStringLiteral("Chiudi"), this);
  BitBtn4->setObjectName(QStringLiteral("BitBtn4"));
  BitBtn4->hide();
}

void TFRicerca::wireHandlers() {
  connect(BitBtn3, &QPushButton::clicked, this, &TFRicerca::BitBtn3Click);
  connect(BitBtn4, &QPushButton::clicked, this, &TFRicerca::BitBtn4Click);
  connect(Label2, &zolt::LabelButton::clicked, this, &TFRicerca::BitBtn3Click);
  connect(Label3, &zolt::LabelButton::clicked, this, &TFRicerca::BitBtn4Click);
  for (zolt::LabelButton* label : {Label2, Label3}) {
    connect(label, &zolt::LabelButton::mouseMoved, this, [this, label] { Label2MouseMove(label); });
    connect(label, &zolt::LabelButton::mouseLeft, this, [this, label] { Label2MouseLeave(label); });
  }
  Edit1->installEventFilter(this);
  ListView1->installEventFilter(this);
  ListView1->viewport()->installEventFilter(this);
  // Tab follows the layout: the word, "  Cerca  ", the hits, the archive, "  Chiudi  ".
  setTabOrder(Edit1, Label2);
  setTabOrder(Label2, ListView1);
  setTabOrder(ListView1, MRisultato);
  setTabOrder(MRisultato, Label3);
}

void TFRicerca::keyPressEvent(QKeyEvent* event) {
  if (event->key() == Qt::Key_Escape && event->modifiers() == Qt::NoModifier) {
    event->accept();
    BitBtn4Click();  // Esc closes as "  Chiudi  " does: the window is hidden
    return;
  }
  QWidget::keyPressEvent(event);
}

// Controls anchored to the right or bottom edge follow a resize. The archive
// label and list keep their distance from the bottom, so that the growing
// hit list never runs under them.
void TFRicerca::placeAnchored() {
  const int w = width();
  const int h = height();
  ListView1->setGeometry(40, 24, w - 40 - kHitListRight, h - 24 - kHitListBottom);
  Label4->setGeometry(40, h - kArchiveLabelBottom, 49, 13);
  MRisultato->setGeometry(40, h - kArchiveBottom, w - 40 - kArchiveRight, 137);
  Label3->setGeometry(w - kCloseRight, h - kCloseBottom, 49, 16);
  stripChiudi_->move(w - kCloseRight - kStripWidth, h - kCloseBottom - 1);
  corners_[0]->move(0, 0);
  corners_[1]->move(w - kCornerWidth, 0);
  corners_[2]->move(0, h - kCornerHeight);
  corners_[3]->move(w - kCornerWidth, h - kCornerHeight);
}

void TFRicerca::resizeEvent(QResizeEvent* event) {
  QWidget::resizeEvent(event);
  placeAnchored();
}

void TFRicerca::closeEvent(QCloseEvent* event) { FormClose(event); }

bool TFRicerca::eventFilter(QObject* watched, QEvent* event) {
  if (watched == Edit1 && event->type() == QEvent::KeyPress) {
    const int key = static_cast<QKeyEvent*>(event)->key();
    // The key goes on to the edit box as well: it is not consumed here.
    if (key == Qt::Key_Return || key == Qt::Key_Enter) Edit1KeyPress(QChar(13));
    return false;
  }
  if (watched == ListView1->viewport()) return hitListMouseEvent(event);
  if (watched == ListView1 && event->type() == QEvent::KeyPress) {
    const int key = static_cast<QKeyEvent*>(event)->key();
    if (key == Qt::Key_Return || key == Qt::Key_Enter) {
      ListView1DblClick();
      return true;
    }
  }
  return QWidget::eventFilter(watched, event);
}

// Every click on the hit list, on a row or on its empty part, and every
// double click leads to the selected row: twice for a double click, once for
// its first click and once for the second, as a list with both events does.
bool TFRicerca::hitListMouseEvent(QEvent* event) {
  const auto type = event->type();
  if (type != QEvent::MouseButtonPress && type != QEvent::MouseButtonRelease && type != QEvent::MouseButtonDblClick)
    return false;
  const auto* mouse = static_cast<QMouseEvent*>(event);
  if (mouse->button() != Qt::LeftButton) return false;
  switch (type) {
    case QEvent::MouseButtonPress:
      afterDoubleClick_ = false;
      // A press on the empty part keeps the selected row.
      return !ListView1->indexAt(mouse->position().toPoint()).isValid();
    case QEvent::MouseButtonRelease:
      if (!afterDoubleClick_) ListView1DblClick();
      afterDoubleClick_ = false;
      return false;
    default:
      afterDoubleClick_ = true;
      if (QTreeWidgetItem* row = ListView1->itemAt(mouse->position().toPoint())) ListView1->setCurrentItem(row);
      ListView1DblClick();
      return true;
  }
}

void TFRicerca::Edit1KeyPress(QChar key) {
  if (key.unicode() == 13) BitBtn3Click();
}

// One search: the descriptions first, then, after its message, the archive.
void TFRicerca::BitBtn3Click() {
  const std::string root = zolt::catalogue::DiscRoot();
  const QString word = Edit1->text();
  ListView1->clear();
  ListBox1.clear();
  ListBox2.clear();
  // Cleared now, so that a workbook that cannot be read never leaves the
  // previous word's rows on screen as if they answered this one.
  MRisultato->clear();
  try {
    QGuiApplication::setOverrideCursor(Qt::WaitCursor);
    zolt::search::TextSearchResult found = zolt::search::SearchDescriptions(root, word);
    ListBox1 = std::move(found.candidates);
    MostraRisultati(found.hits);
    QGuiApplication::restoreOverrideCursor();
    if (found.hits.empty())
      zolt::platform::CurrentShell().Information(this, zolt::search::NoHitMessage(found.unreadable));

    QGuiApplication::setOverrideCursor(Qt::WaitCursor);
    zolt::search::ArchiveResult archive = zolt::search::SearchArchive(*excel_, root, word);
    QGuiApplication::restoreOverrideCursor();
    MMemo1 = std::move(archive.columns.a);
    MMemo2 = std::move(archive.columns.b);
    MMemo3 = std::move(archive.columns.c);
    ArchiveRowCount = static_cast<int>(MMemo1.size());
    if (!archive.loaded) {
      std::fprintf(stderr, "zolt: archive not read: %s\n", archive.error.c_str());
      return;
    }
    QStringList lines;
    lines.reserve(static_cast<qsizetype>(archive.lines.size()));
    for (const std::string& line : archive.lines) lines.append(FromUtf8(line));
    MRisultato->addItems(lines);
  } catch (const std::exception& error) {
    // Nothing escapes a handler: the search ends here and what is listed stays.
    while (QGuiApplication::overrideCursor()) QGuiApplication::restoreOverrideCursor();
    std::fprintf(stderr, "zolt: search ended: %s\n", error.what());
  }
}

void TFRicerca::MostraRisultati(const std::vector<zolt::search::SearchHit>& hits) {
  ListView1->clear();
  ListBox2.clear();
  ListBox2.reserve(hits.size());
  QList<QTreeWidgetItem*> rows;
  rows.reserve(static_cast<qsizetype>(hits.size()));
  for (const zolt::search::SearchHit& hit : hits) {
    rows.append(new QTreeWidgetItem(QStringList{hit.section, hit.subfolder}));
    ListBox2.push_back(hit.folder);
  }
  ListView1->addTopLevelItems(rows);
}

void TFRicerca::BitBtn4Click() { hide(); }

void TFRicerca::FormClose(QCloseEvent* event) {
  event->ignore();
  hide();
}

void TFRicerca::Label2MouseMove(QLabel* etichetta) { zolt::SetHoverLook(etichetta, true); }

void TFRicerca::Label2MouseLeave(QLabel* etichetta) { zolt::SetHoverLook(etichetta, false); }

// Leads the main window to the selected hit: its item folder, its title and
// a refreshed page; nothing else of the main window changes.
void TFRicerca::ListView1DblClick() {
  const QList<QTreeWidgetItem*> selected = ListView1->selectedItems();
  if (selected.isEmpty() || !Zolt_) return;
  QTreeWidgetItem* row = selected.first();
  const int i = ListView1->indexOfTopLevelItem(row);
  if (i < 0 || static_cast<std::size_t>(i) >= ListBox2.size()) return;
  const QString cartella = row->text(1);
  Zolt_->MostraProdotto(zolt::catalogue::JoinPath(zolt::catalogue::DiscRoot(), ListBox2[static_cast<std::size_t>(i)]),
                        cartella);
}
