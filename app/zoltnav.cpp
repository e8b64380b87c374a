// Sections and the navigation tree: the tabs built from the disc root, the
// tab click that fills the tree, and the tree click that opens an item.

#include <QCollator>
#include <QLocale>
#include <QTreeWidget>
#include <algorithm>
#include <exception>
#include <string>
#include <utility>
#include <vector>

#include "disc/discpath.h"
#include "disc/catalogue.h"
#include "disc/tree.h"
#include "look/tabmetrics.h"
#include "look/colours.h"
#include "look/labelbutton.h"
#include "app/zolt.h"
#include "platform/textcodec.h"

namespace catalogue = zolt::catalogue;
using zolt::SetColours;

namespace {

constexpr int kRawName = Qt::UserRole;     // the folder name's bytes, without its "_"
constexpr int kListed = Qt::UserRole + 1;  // a first-level entry whose sub-entries are in
const char* const kSectionProperty = "cartellaSezione";

struct Name {
  QString shown;
  std::string raw;
};

// The catalogue folders of `folder`, sorted by their shown text as the
// user's locale orders words. Each name's collation key is made once, so a
// large section costs one key per name, not one collation per comparison.
std::vector<Name> SortedFolders(const std::string& folder, const QCollator& collator) {
  std::vector<std::string> raw;
  catalogue::ElencaCartelle(folder, raw);
  struct Keyed {
    QCollatorSortKey key;
    Name name;
  };
  std::vector<Keyed> keyed;
  keyed.reserve(raw.size());
  for (std::string& name : raw) {
    QString shown = zolt::DecodeDiscText(name);
    QCollatorSortKey key = collator.sortKey(shown);
    keyed.push_back({std::move(key), {std::move(shown), std::move(name)}});
  }
  std::stable_sort(keyed.begin(), keyed.end(),
                   [](const Keyed& a, const Keyed& b) { return a.key.compare(b.key) < 0; });
  std::vector<Name> names;
  names.reserve(keyed.size());
  for (Keyed& entry : keyed) names.push_back(std::move(entry.name));
  return names;
}

// Entries sort as words do in the user's language; without one (the "C"
// locale) as in Italian, the disc's own language.
QCollator TreeCollator() {
  QLocale locale;
  if (locale.language() == QLocale::C) locale = QLocale(QLocale::Italian, QLocale::Italy);
  QCollator collator(locale);
  collator.setNumericMode(true);
  return collator;
}

QTreeWidgetItem* NewEntry(const Name& name) {
  auto* item = new QTreeWidgetItem(QStringList{name.shown});
  item->setData(0, kRawName, QByteArray::fromStdString(name.raw));
  return item;
}

std::string RawName(const QTreeWidgetItem* item) {
  return item->data(0, kRawName).toByteArray().toStdString();
}

}  // namespace

void TZolt::CreaLinguette() {
  try {
    std::vector<std::string> names;
    catalogue::ElencaCartelle(catalogue::DiscRoot(), names);
    std::size_t k = 0;
    zolt::TabPlace previous;
    // Only the first twelve folders count; "Home" is skipped but uses its place.
    for (const std::string& name : catalogue::TabbedSections(names)) {
      zolt::LabelButton* tab = Linguette[k];
      tab->setText(zolt::TabCaption(zolt::DecodeDiscText(name)));
      tab->setProperty(kSectionProperty, QByteArray::fromStdString(name));
      const zolt::TabPlace place = zolt::PlaceTab(k, tab->fontMetrics(), tab->text(), previous);
      tab->setGeometry(place.left, tab->y(), place.width, tab->height());
      tab->show();
      if (k < 6) Image2->move(place.right() + 1, Image2->y());
      previous = place;
      ++k;
    }
  } catch (const std::exception&) {
    // A failure while building stops the building; the tabs built so far stay.
  }
}

void TZolt::colourTabs(zolt::LabelButton* selected) {
  for (zolt::LabelButton* tab : Linguette) {
    SetColours(tab, ColoreScuro, ColoreChiaro);
    tab->setSelected(tab == selected);
  }
  if (selected == Label7) {
    SetColours(Label7, ColoreChiaro, ColoreScuro);
  } else {
    SetColours(Label7, ColoreScuro, ColoreChiaro);
    if (selected) SetColours(selected, ColoreChiaro, ColoreScuro);
  }
}

void TZolt::Linguetta01Click(zolt::LabelButton* linguetta) {
  const QVariant section = linguetta->property(kSectionProperty);
  if (!section.isValid()) return;  // a tab that was never built opens nothing
  colourTabs(linguetta);
  Label1->show();
  CartellaSezione = section.toByteArray().toStdString() + "_";
  Elenco->show();
  setPanel1Width(217);
  AttivaMenuClick();
  PercorsoProdotto = catalogue::DiscRoot() + CartellaSezione;
  AggiornaScheda(linguetta->text());
}

// The tree holds the section's entries at once; the sub-entries of an entry
// are listed when it comes into view or is opened, so a tab click costs the
// same whatever the size of the section.
void TZolt::AttivaMenuClick() {
  Elenco->setUpdatesEnabled(false);
  expandedEntries_.clear();
  Elenco->clear();
  listedSection_ = catalogue::JoinPath(catalogue::DiscRoot(), CartellaSezione) + "/";
  QList<QTreeWidgetItem*> entries;
  for (const Name& entry : SortedFolders(listedSection_, TreeCollator())) entries.append(NewEntry(entry));
  Elenco->addTopLevelItems(entries);
  listVisibleSubEntries();
  Elenco->setUpdatesEnabled(true);
  Elenco->setVisible(!entries.isEmpty());
}

void TZolt::listSubEntries(QTreeWidgetItem* voce) {
  if (!voce || voce->parent() || voce->data(0, kListed).toBool()) return;
  voce->setData(0, kListed, true);
  QList<QTreeWidgetItem*> subs;
  for (const Name& sub : SortedFolders(listedSection_ + RawName(voce) + "_/", TreeCollator())) {
    subs.append(NewEntry(sub));
  }
  voce->addChildren(subs);
}

// The entries in view, a screenful above and a screenful below.
void TZolt::listVisibleSubEntries() {
  const int count = Elenco->topLevelItemCount();
  if (count == 0) return;
  const QModelIndex top = Elenco->indexAt(QPoint(1, 1));
  const int first = !top.isValid() ? 0 : top.parent().isValid() ? top.parent().row() : top.row();
  const int screen = Elenco->height() / std::max(1, Elenco->fontMetrics().height()) + 1;
  for (int i = std::max(0, first - screen); i < std::min(count, first + 2 * screen); ++i) {
    listSubEntries(Elenco->topLevelItem(i));
  }
}

QTreeWidgetItem* TZolt::selectedEntry() const {
  const QList<QTreeWidgetItem*> selected = Elenco->selectedItems();
  return selected.isEmpty() ? nullptr : selected.first();
}

std::string TZolt::entryPath(const QTreeWidgetItem* voce) const {
  std::string path = catalogue::JoinPath(catalogue::DiscRoot(), CartellaSezione);
  if (const QTreeWidgetItem* parent = voce->parent()) {
    path = catalogue::JoinPath(path, RawName(parent) + "_");
  }
  return catalogue::JoinPath(path, RawName(voce) + "_");
}

void TZolt::showSelectedEntry(QTreeWidgetItem* voce) {
  LProdotto->setText(voce->text(0));
  PercorsoProdotto = entryPath(voce);
  setPanel1Width(217);
  AggiornaScheda(QString());
}

void TZolt::ElencoClick() {
  QTreeWidgetItem* voce = selectedEntry();
  if (!voce) return;
  showSelectedEntry(voce);
  listSubEntries(voce);
  // An entry without a description is a group: it opens its first sub-entry.
  if (!zolt::disc::ItemHasDescription(PercorsoProdotto, catalogue::DiscRoot())) {
    QTreeWidgetItem* first = voce->childCount() > 0 ? voce->child(0) : nullptr;
    if (first) voce->setExpanded(true);  // the tree selects only shown entries
    Elenco->setCurrentItem(first);
    if (!first) Elenco->clearSelection();
    if (QTreeWidgetItem* again = selectedEntry()) showSelectedEntry(again);
  }
}

// Keys move the selection as clicks do. Up from a group's first sub-entry
// reaches the group, which opens that sub-entry again: the move goes on
// over the group, so the keyboard can pass it.
void TZolt::ElencoKeyMove(QTreeWidgetItem* from, int key) {
  QTreeWidgetItem* reached = Elenco->currentItem();
  ElencoClick();
  const bool upwards = key == Qt::Key_Up || key == Qt::Key_PageUp;
  if (upwards && from && reached != from && selectedEntry() == from) {
    if (QTreeWidgetItem* above = Elenco->itemAbove(reached)) {
      Elenco->setCurrentItem(above);
      ElencoClick();
    }
  }
}

void TZolt::ElencoExpanding(QTreeWidgetItem* voce) {
  if (selectedEntry() != voce) Elenco->setCurrentItem(voce);
}

void TZolt::ElencoCollapsing(QTreeWidgetItem*) {
  // Collapsing is always allowed and changes nothing else.
}

// Selecting an entry expands it and closes the other entries of the tree.
// Only the entries known to be open are visited: asking every entry of a
// large section would cost a search of the section per entry.
void TZolt::singleExpand(QTreeWidgetItem* current) {
  if (!current) return;
  QTreeWidgetItem* top = current->parent() ? current->parent() : current;
  const std::vector<QTreeWidgetItem*> open = expandedEntries_;
  for (QTreeWidgetItem* entry : open) {
    if (entry != top) entry->setExpanded(false);
  }
  listSubEntries(top);
  if (!top->isExpanded() && top->childCount() > 0) top->setExpanded(true);
}

void TZolt::noteExpanded(QTreeWidgetItem* voce, bool expanded) {
  if (voce->parent()) return;
  const auto found = std::find(expandedEntries_.begin(), expandedEntries_.end(), voce);
  if (expanded && found == expandedEntries_.end()) expandedEntries_.push_back(voce);
  if (!expanded && found != expandedEntries_.end()) expandedEntries_.erase(found);
}

void TZolt::Label3Click() {
  const PageRefresh visit(*this);  // the first tab's click and the refresh below: one visit
  const bool haveSection = Linguetta01->property(kSectionProperty).isValid();
  if (haveSection) Linguetta01Click(Linguetta01);
  if (FRicerca) {
    FRicerca->show();
    FRicerca->raise();
  }
  if (!haveSection) return;  // no section on the disc: the page stays as it is
  Label1->show();
  Elenco->show();
  // The section is the one the first tab opened (its title strip may show an
  // entry's name when that entry is a group without sub-entries).
  CartellaSezione = Linguetta01->property(kSectionProperty).toByteArray().toStdString() + "_";
  LProdotto->show();
  setPanel1Width(217);
  Panel4->show();
  Panel1->show();
  AggiornaScheda(QString());
}
