#pragma once
// The search window: a word, the items whose description holds it, and the
// matching rows of the archive workbook. Created hidden with the main window,
// hidden (never destroyed) when closed, so the word and both lists survive
// between openings. A click on a hit leads the main window to its item.

#include <QString>
#include <QWidget>

#include <memory>
#include <string>
#include <vector>

class QCloseEvent;
class QLabel;
class QLineEdit;
class QListWidget;
class QPushButton;
class QTreeWidget;
class TZolt;

namespace zolt {
class LabelButton;
class TMSExcel;
}  // namespace zolt

namespace zolt::search {
struct SearchHit;

// The message of a search that found nothing: the sentence alone, or with a
// second line telling how many descriptions could not be read.
QString NoHitMessage(std::size_t unreadable);
}

class TFRicerca : public QWidget {
  Q_OBJECT
  Q_DISABLE_COPY_MOVE(TFRicerca)

 public:
  explicit TFRicerca(TZolt* zolt, QWidget* parent = nullptr);
  ~TFRicerca() override;

  // Controls.
  QLabel* Label1 = nullptr;                 // "Ricerca"
  QLineEdit* Edit1 = nullptr;               // the search word
  zolt::LabelButton* Label2 = nullptr;      // "  Cerca  "
  QTreeWidget* ListView1 = nullptr;         // the hits: "Sezione", "Cartella"
  QLabel* Label4 = nullptr;                 // "Archivio Storico ZOLT"
  QListWidget* MRisultato = nullptr;        // the archive rows
  zolt::LabelButton* Label3 = nullptr;      // "  Chiudi  "
  QPushButton* BitBtn3 = nullptr;           // "Cerca", never shown
  QPushButton* BitBtn4 = nullptr;           // "Chiudi", never shown

  // Working lists of the last search: the hidden list boxes and memos a
  // window of this kind keeps out of sight to hold what it walks and reads.
  std::vector<std::string> ListBox1;  // candidate folders, relative to the disc root
  std::vector<std::string> ListBox2;  // each hit's folder, exactly as on disc, in row order
  std::vector<std::string> MMemo1;    // archive column A, one text per row (UTF-8)
  std::vector<std::string> MMemo2;    // archive column B
  std::vector<std::string> MMemo3;    // archive column C
  int ArchiveRowCount = 0;            // rows of the archive sheet at the last load

  // Handlers, named after the control and the event.
  void Edit1KeyPress(QChar key);
  void BitBtn3Click();
  void BitBtn4Click();
  void FormClose(QCloseEvent* event);
  void Label2MouseMove(QLabel* etichetta);
  void Label2MouseLeave(QLabel* etichetta);
  void ListView1DblClick();

  // Fills the hit list and ListBox2 with `hits`, replacing what they held.
  void MostraRisultati(const std::vector<zolt::search::SearchHit>& hits);

 protected:
  void closeEvent(QCloseEvent* event) override;
  void keyPressEvent(QKeyEvent* event) override;
  void resizeEvent(QResizeEvent* event) override;
  bool eventFilter(QObject* watched, QEvent* event) override;

 private:
  void setupWindow();
  void setupSearchRow();
  void setupHitList();
  void setupArchiveList();
  void setupCloseRow();
  void setupPictures();
  void wireHandlers();
  void placeAnchored();
  bool hitListMouseEvent(QEvent* event);

  TZolt* Zolt_ = nullptr;
  std::unique_ptr<zolt::TMSExcel> excel_;  // the archive reader, reused by every search
  std::vector<QLabel*> corners_;  // top-left, top-right, bottom-left, bottom-right
  QLabel* stripCerca_ = nullptr;
  QLabel* stripChiudi_ = nullptr;
  bool afterDoubleClick_ = false;  // the release that ends a double click leads nowhere again
};
