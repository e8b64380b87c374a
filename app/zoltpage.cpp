// The item page: its refresh from the current item folder, the Home page and
// the handlers of the page's buttons, banner and links.

#include <QBuffer>
#include <QFile>
#include <QMovie>
#include <QTreeWidget>
#include <QUrl>
#include <QWebEngineView>
#include <exception>
#include <fstream>
#include <optional>

#include "actions/itemactions.h"
#include "disc/catalogue.h"
#include "app/labelbutton.h"
#include "app/zolt.h"
#include "platform/jpeg/jpegdecoder.h"
#include "platform/rtf/richtextviewer.h"
#include "platform/shell.h"
#include "platform/textcodec.h"

namespace catalogue = zolt::catalogue;

namespace {

// Largest per-item files the page reads; anything bigger is treated as a file
// that cannot be read, so a damaged disc cannot exhaust memory.
constexpr qint64 kMaxDescriptionBytes = 16 * 1024 * 1024;  // far beyond any description
constexpr qint64 kMaxBannerBytes = 32 * 1024 * 1024;       // a long animated banner
constexpr qint64 kMaxAddressBytes = 64 * 1024;             // a few web addresses

const char* const kMakerAddress = "https://www.tavelo.it/";

// Reads through the byte path, so names that are not UTF-8 open too.
std::optional<QByteArray> ReadWhole(const std::string& path, qint64 limit) {
  std::ifstream file(path, std::ios::binary);
  if (!file) return std::nullopt;
  QByteArray bytes;
  char chunk[64 * 1024];
  while (file) {
    file.read(chunk, sizeof chunk);
    bytes.append(chunk, static_cast<qsizetype>(file.gcount()));
    if (bytes.size() > limit) return std::nullopt;
  }
  if (file.bad()) return std::nullopt;
  return bytes;
}

// A local file for the web view. Paths that are not UTF-8 keep their bytes
// percent-encoded, which the browser passes to the system unchanged.
QUrl LocalFileUrl(const std::string& path) {
  if (zolt::IsValidUtf8(path)) return QUrl::fromLocalFile(zolt::PathToQString(path));
  return QUrl::fromEncoded(QByteArray("file://") +
                           QByteArray::fromStdString(path).toPercentEncoding("/"));
}

// The lines of a text file as a memo control reads them: CR LF, LF or CR
// end a line; a final line break adds no empty line.
QStringList SplitLines(const QString& text) {
  QStringList lines;
  qsizetype start = 0;
  const qsizetype n = text.size();
  for (qsizetype i = 0; i < n; ++i) {
    const QChar c = text.at(i);
    if (c != u'\r' && c != u'\n') continue;
    lines.append(text.mid(start, i - start));
    if (c == u'\r' && i + 1 < n && text.at(i + 1) == u'\n') ++i;
    start = i + 1;
  }
  if (start < n) lines.append(text.mid(start));
  return lines;
}

}  // namespace

std::string TZolt::itemFile(const char* name) const {
  if (PercorsoProdotto.empty()) return {};
  return catalogue::ResolveFile(PercorsoProdotto, name).value_or(std::string());
}

void TZolt::AggiornaScheda(const QString& titolo) {
  const PageRefresh refresh(*this);
  PanBrowser->hide();
  if (!refreshFromTree(titolo)) return;
  loadDescription();
  loadPicture();
  loadBanner();
  loadBannerAddress();
  updateInstallButton();
}

// The title strip and the action bar; false when the tree leaves nothing to show.
bool TZolt::refreshFromTree(const QString& titolo) {
  if (Elenco->topLevelItemCount() == 0) {
    LProdotto->setText(titolo);
    Panel4->hide();
    return true;
  }
  const std::string section = catalogue::JoinPath(catalogue::DiscRoot(), CartellaSezione);
  if (!selectedEntry() && PercorsoProdotto == section) {
    // A section just opened: its top entry opens.
    Elenco->setCurrentItem(Elenco->topLevelItem(0));
    ElencoClick();
    if (!selectedEntry()) return false;
  }
  // Without a selection (Home, a search hit, a group without sub-entries)
  // the page shows PercorsoProdotto as it is: the tree must not replace it.
  if (!titolo.isEmpty()) {
    LProdotto->setText(titolo);
  } else if (const QTreeWidgetItem* voce = selectedEntry()) {
    LProdotto->setText(voce->text(0));
  }
  LProdotto->show();
  Panel4->show();
  return true;
}

void TZolt::loadDescription() {
  const std::string path = itemFile("testo.txt");
  if (path.empty()) {
    MemoTesto->Clear();
    return;
  }
  try {
    if (const auto bytes = ReadWhole(path, kMaxDescriptionBytes)) {
      MemoTesto->Clear();
      MemoTesto->LoadRtf(std::string_view(bytes->constData(), static_cast<std::size_t>(bytes->size())));
    }
  } catch (const std::exception&) {
    // An unreadable description leaves the text as it was.
  }
}

void TZolt::loadPicture() {
  const std::string path = itemFile("img.jpg");
  if (path.empty()) {
    MemoTesto->setGeometry(8, MemoTesto->y(), 536, MemoTesto->height());
    Immagine->hide();
    return;
  }
  try {
    QImage image;
    if (zolt::LoadJpegFile(path, image) && !image.isNull()) {
      Immagine->setPicture(image);
      Immagine->show();
    }
  } catch (const std::exception&) {
    // A picture that fails to load changes neither the picture nor its visibility.
  }
  MemoTesto->setGeometry(359, MemoTesto->y(), 177, MemoTesto->height());
}

void TZolt::loadBanner() {
  const std::string path = itemFile("Banner.gif");
  if (path.empty()) {
    Banner->hide();
    if (bannerMovie_) bannerMovie_->stop();  // a hidden banner does not animate
    return;
  }
  const auto bytes = ReadWhole(path, kMaxBannerBytes);
  if (!bytes) return;  // unreadable: the banner stays as it was
  auto* movie = new QMovie(this);
  auto* buffer = new QBuffer(movie);
  buffer->setData(*bytes);
  buffer->open(QIODevice::ReadOnly);
  movie->setDevice(buffer);
  movie->setCacheMode(QMovie::CacheNone);
  // A banner whose first frame cannot be decoded is as good as unreadable.
  if (!movie->isValid() || !movie->jumpToFrame(0) || movie->currentImage().isNull()) {
    delete movie;
    return;
  }
  Banner->setMovie(movie);
  if (bannerMovie_) bannerMovie_->deleteLater();
  bannerMovie_ = movie;
  movie->start();
  Banner->show();
}

void TZolt::loadBannerAddress() {
  const std::string path = itemFile("banner.txt");
  if (path.empty()) return;  // the previous address stays
  const auto bytes = ReadWhole(path, kMaxAddressBytes);
  if (!bytes) return;
  Memo1 = SplitLines(zolt::DecodeDiscText(std::string_view(bytes->constData(),
                                                           static_cast<std::size_t>(bytes->size()))));
  IndirizzoBanner.clear();
  for (const QString& line : Memo1) IndirizzoBanner += line;
}

void TZolt::updateInstallButton() {
  if (!itemFile("setup.txt").empty()) {
    Label4->show();
    return;
  }
  try {
    Label4->setVisible(CercaEseguibile(PercorsoProdotto));
  } catch (const std::exception&) {
    // The search failed part-way: no program file can be trusted, and the
    // previous item's install button must not stay.
    Label4->hide();
  }
}

bool TZolt::CercaEseguibile(const std::string& percorso) {
  const auto found = catalogue::CercaFile(catalogue::JoinPath(percorso, "*.exe"), catalogue::kAttrArchive);
  if (!found || found->empty()) return false;
  EseguibileProdotto = found->front();
  return true;
}

void TZolt::Label5Click() {
  const std::string root = catalogue::DiscRoot();
  PercorsoProdotto = catalogue::ResolveFile(root, "Home").value_or(catalogue::JoinPath(root, "Home"));
  setPanel1Width(1);
  Elenco->hide();
  Label1->hide();
  AggiornaScheda(QString());
  LProdotto->clear();
  LProdotto->hide();
  colourTabs(Label7);
  Panel4->hide();
  fillBrowserPane();
  const std::string page = catalogue::ResolveFile(PercorsoProdotto, "scheda.htm")
                               .value_or(catalogue::JoinPath(PercorsoProdotto, "scheda.htm"));
  WebBrowser1->setUrl(LocalFileUrl(page));
}

void TZolt::fillBrowserPane() {
  browserFillsPage_ = true;
  PanBrowser->setGeometry(MainPanel->rect());
  PanBrowser->raise();
  PanBrowser->show();
}

void TZolt::Image2Click() { zolt::actions::Installa(PercorsoProdotto, EseguibileProdotto); }

void TZolt::ImageCopiaClick() {
  zolt::actions::CopiaProdotto(this, PercorsoProdotto, LProdotto->text());
}

void TZolt::ImmagineClick() {
  const std::string picture = catalogue::ResolveFile(PercorsoProdotto, "img.jpg")
                                  .value_or(catalogue::JoinPath(PercorsoProdotto, "img.jpg"));
  zolt::actions::MostraZoom(picture);
}

void TZolt::Label1Click() { zolt::platform::CurrentShell().Open(PercorsoProdotto); }

void TZolt::BannerClick() {
  if (IndirizzoBanner.isEmpty()) return;
  zolt::platform::CurrentShell().Open(IndirizzoBanner.toStdString());
}

void TZolt::MemoTestoURLClick(const QString& indirizzo) {
  zolt::platform::CurrentShell().Open(indirizzo.toStdString());
}

void TZolt::Label6Click() { zolt::platform::CurrentShell().Open(kMakerAddress); }
