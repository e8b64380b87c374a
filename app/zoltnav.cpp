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
#include "app/tabmetrics.h"
#include "app/labelbutton.h"
#include "app/zolt.h"
#include "platform/textcodec.h"

namespace catalogue = zolt::catalogue;

namespace {

constexpr int kRawName = Qt::UserRole;  // the folder name's bytes, without its "_"
const char* const kSectionProperty = "cartellaSezione";

struct Name {
  QString shown;
  std::string raw;
};

// The catalogue folders of `folder`, sorted by their shown text as the
// user's locale orders words.
std::vector<Name> SortedFolders(const std::string& folder, const QCollator& collator) {
  std::vector<std::string> raw;
  catalogue::ElencaCartelle(folder, raw);
  std::vector<Name> names;
  names.reserve(raw.size());
  for (std::string& name : raw) names.push_back({zolt::DecodeDiscText(name), std::move(name)});
  std::stable_sort(names.begin(), names.end(), [&collator](const Name& a, const Name& b) {
    return collator.compare(a.shown, b.shown) < 0;
  });
  return names;
}

QTreeWidgetItem* NewEntry(const Name& name) {
  auto* item = new QTreeWidgetItem(QStringList{name.shown});
  item->setData(0, kRawName, QByteArray::fromStdString(name.raw));
  return item;
}

std::string RawName(const QTreeWidgetItem* item) {
  return item->data(0, kRawName).toByteArray().toStdString();
}

void SetColours(QLabel* label, const QColor& background, const QColor& text) {
  QPalette palette = label->palette();
  palette.setColor(QPalette::Window, background);
  palette.setColor(QPalette::WindowText, text);
  label->setPalette(palette);
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
  for (zolt::LabelButton* tab : Linguette) SetColours(tab, ColoreScuro, ColoreChiaro);
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

void TZolt::AttivaMenuClick() {
  Elenco->setUpdatesEnabled(false);
  Elenco->clear();
  // Entries sort as words do in the user's language; without one (the "C"
  // locale) as in Italian, the disc's own language.
  QLocale locale;
  if (locale.language() == QLocale::C) locale = QLocale(QLocale::Italian, QLocale::Italy);
  QCollator collator(locale);
  collator.setNumericMode(true);
  const std::string section = catalogue::JoinPath(catalogue::DiscRoot(), CartellaSezione) + "/";
  QList<QTreeWidgetItem*> entries;
  for (const Name& entry : SortedFolders(section, collator)) {
    QTreeWidgetItem* item = NewEntry(entry);
    for (const Name& sub : SortedFolders(section + entry.raw + "_/", collator)) {
      item->addChild(NewEntry(sub));
    }
    entries.append(item);
  }
  Elenco->addTopLevelItems(entries);
  Elenco->setUpdatesEnabled(true);
  Elenco->setVisible(!entries.isEmpty());
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
  // An entry without a description is a group: it opens its first sub-entry.
  if (!zolt::disc::ItemHasDescription(PercorsoProdotto)) {
    QTreeWidgetItem* first = voce->childCount() > 0 ? voce->child(0) : nullptr;
    if (first) voce->setExpanded(true);  // the tree selects only shown entries
    Elenco->setCurrentItem(first);
    if (!first) Elenco->clearSelection();
    if (QTreeWidgetItem* again = selectedEntry()) showSelectedEntry(again);
  }
}

void TZolt::ElencoExpanding(QTreeWidgetItem* voce) {
  if (selectedEntry() != voce) Elenco->setCurrentItem(voce);
}

void TZolt::ElencoCollapsing(QTreeWidgetItem*) {
  // Collapsing is always allowed and changes nothing else.
}

// Selecting an entry expands it and closes the other entries of the tree.
void TZolt::singleExpand(QTreeWidgetItem* current) {
  if (!current) return;
  QTreeWidgetItem* top = current->parent() ? current->parent() : current;
  for (int i = 0; i < Elenco->topLevelItemCount(); ++i) {
    QTreeWidgetItem* entry = Elenco->topLevelItem(i);
    if (entry != top && entry->isExpanded()) entry->setExpanded(false);
  }
  if (!top->isExpanded() && top->childCount() > 0) top->setExpanded(true);
}

void TZolt::Label3Click() {
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
