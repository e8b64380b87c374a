// The item page: its refresh from the current item folder, the Home page and
// the handlers of the page's buttons, banner and links.

#include <QBuffer>
#include <QFile>
#include <QMovie>
#include <QTreeWidget>
#include <QUrl>
#include <exception>
#include <optional>

#include "actions/itemactions.h"
#include "app/homeview.h"
#include "disc/catalogue.h"
#include "disc/discfile.h"
#include "disc/discpath.h"
#include "disc/disctext.h"
#include "disc/webaddress.h"
#include "look/labelbutton.h"
#include "app/zolt.h"
#include "platform/jpeg/jpegdecoder.h"
#include "platform/rtf/richtextviewer.h"
#include "platform/shell.h"
#include "platform/textcodec.h"

namespace catalogue = zolt::catalogue;

namespace {

namespace disc = zolt::disc;

const char* const kMakerAddress = "https://www.tavelo.it/";

// A per-item file found without regard to case and read whole as every disc
// file is: a name that is a folder, a pipe, a link to nothing or a link off
// the disc counts as absent, and nothing here can block.
disc::ReadResult ReadItemFile(const std::string& folder, std::string_view name) {
  if (folder.empty()) return {};
  const std::optional<std::string> path = catalogue::ResolveFile(folder, name);
  if (!path) return {};
  return disc::ReadDiscFile(*path, catalogue::DiscRoot(), disc::SizeLimitFor(name));
}

// What a description link, the banner and the footer may open: web
// addresses, through the desktop's browser. Anything else opens nothing.
void OpenWebAddress(QWidget* owner, const QString& target) {
  const QByteArray bytes = target.toUtf8();
  const std::string web = disc::WebAddress(std::string_view(bytes.constData(), static_cast<std::size_t>(bytes.size())));
  if (web.empty()) {
    zolt::platform::CurrentShell().Warning(
        owner, QStringLiteral("Il collegamento \"%1\" non è un indirizzo web: non viene aperto.")
                   .arg(target.trimmed()));
    return;
  }
  zolt::platform::OpenAndTell(owner, web);
}

// A local file for the web view. Paths that are not UTF-8 keep their bytes
// percent-encoded, which the browser passes to the system unchanged.
QUrl LocalFileUrl(const std::string& path) {
  if (disc::IsValidUtf8(path)) return QUrl::fromLocalFile(zolt::PathToQString(path));
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

void TZolt::MostraProdotto(const std::string& percorso, const QString& titolo) {
  PercorsoProdotto = percorso;
  LProdotto->setText(titolo);
  AggiornaScheda(titolo);
}

void TZolt::AggiornaScheda(const QString& titolo) {
  const PageRefresh refresh(*this);
  PanBrowser->hide();
  if (!refreshFromTree(titolo)) return;
  // A section's tab opens its first entry through the tree's click, which
  // refreshes the page inside this refresh: that folder's files are loaded.
  if (!loadedThisVisit_.empty() && loadedThisVisit_ == PercorsoProdotto) return;
  loadDescription();
  loadPicture();
  loadBanner();
  loadBannerAddress();
  updateInstallButton();
  loadedThisVisit_ = PercorsoProdotto;
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
  const disc::ReadResult file = ReadItemFile(PercorsoProdotto, disc::kDescriptionFile);
  // Whatever happens below, the previous item's text does not stay.
  MemoTesto->Clear();
  if (!file.ok()) return;
  try {
    MemoTesto->LoadRtf(file.bytes);
  } catch (const std::exception&) {
    MemoTesto->Clear();
  }
}

void TZolt::loadPicture() {
  const disc::ReadResult file = ReadItemFile(PercorsoProdotto, disc::kPictureFile);
  if (!disc::IsPresent(file.state)) {
    MemoTesto->setGeometry(8, MemoTesto->y(), 536, MemoTesto->height());
    Immagine->hide();
    return;
  }
  QImage image;
  bool shown = false;
  try {
    if (file.ok() && zolt::DecodeJpeg(file.bytes, image) && !image.isNull()) {
      Immagine->setPicture(image);
      Immagine->show();
      shown = true;
    }
  } catch (const std::exception&) {
  }
  if (!shown) {
    // A picture that cannot be read or decoded leaves its place empty, never
    // the previous item's picture.
    Immagine->setPixmap(QPixmap());
    Immagine->hide();
  }
  MemoTesto->setGeometry(359, MemoTesto->y(), 177, MemoTesto->height());
}

void TZolt::loadBanner() {
  const disc::ReadResult file = ReadItemFile(PercorsoProdotto, disc::kBannerFile);
  const auto hideBanner = [this] {
    Banner->hide();
    if (bannerMovie_) bannerMovie_->stop();  // a hidden banner does not animate
  };
  if (!file.ok()) {
    // Absent, or present and unreadable: no banner, never the previous one.
    hideBanner();
    return;
  }
  auto* movie = new QMovie(this);
  auto* buffer = new QBuffer(movie);
  buffer->setData(QByteArray(file.bytes.data(), static_cast<qsizetype>(file.bytes.size())));
  buffer->open(QIODevice::ReadOnly);
  movie->setDevice(buffer);
  movie->setCacheMode(QMovie::CacheNone);
  // A banner whose first frame cannot be decoded is as good as unreadable.
  if (!movie->isValid() || !movie->jumpToFrame(0) || movie->currentImage().isNull()) {
    delete movie;
    hideBanner();
    return;
  }
  Banner->setMovie(movie);
  if (bannerMovie_) bannerMovie_->deleteLater();
  bannerMovie_ = movie;
  movie->start();
  Banner->show();
}

void TZolt::loadBannerAddress() {
  const disc::ReadResult file = ReadItemFile(PercorsoProdotto, disc::kBannerAddressFile);
  // Absent, or there but unreadable: the previous address stays.
  if (!file.ok()) return;
  Memo1 = SplitLines(zolt::DecodeDiscText(file.bytes));
  IndirizzoBanner.clear();
  for (const QString& line : Memo1) IndirizzoBanner += line;
}

void TZolt::updateInstallButton() {
  if (disc::ItemHasFile(PercorsoProdotto, disc::kSetupFile, catalogue::DiscRoot())) {
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
  PercorsoProdotto = catalogue::ResolveFile(root, disc::kHomeFolder).value_or(catalogue::JoinPath(root, disc::kHomeFolder));
  setPanel1Width(1);
  Elenco->hide();
  Label1->hide();
  AggiornaScheda(QString());
  LProdotto->clear();
  LProdotto->hide();
  colourTabs(Label7);
  Panel4->hide();
  fillBrowserPane();
  // Only a regular file of the disc is shown; anything else of that name
  // (a folder, a pipe) leaves the page empty. Asked for before the web
  // engine is ready, the last page asked for is shown once it is.
  const disc::ItemFile page = disc::FindItemFile(PercorsoProdotto, disc::kHomePageFile, root);
  homeRequest_ = page.readable() ? LocalFileUrl(page.path) : QUrl(QStringLiteral("about:blank"));
  if (engineMayStart_ || zolt::HomeModuleReady()) StartHomePage();
}

void TZolt::fillBrowserPane() {
  browserFillsPage_ = true;
  PanBrowser->setGeometry(MainPanel->rect());
  PanBrowser->raise();
  PanBrowser->show();
}

void TZolt::Image2Click() { zolt::actions::Installa(PercorsoProdotto, EseguibileProdotto, this); }

void TZolt::ImageCopiaClick() {
  zolt::actions::CopiaProdotto(this, PercorsoProdotto, LProdotto->text());
}

void TZolt::ImmagineClick() {
  const std::string picture = catalogue::ResolveFile(PercorsoProdotto, disc::kPictureFile)
                                  .value_or(catalogue::JoinPath(PercorsoProdotto, disc::kPictureFile));
  zolt::actions::MostraZoom(picture);
}

void TZolt::Label1Click() { zolt::platform::OpenAndTell(this, PercorsoProdotto); }

void TZolt::BannerClick() {
  if (IndirizzoBanner.isEmpty()) return;
  OpenWebAddress(this, IndirizzoBanner);
}

void TZolt::MemoTestoURLClick(const QString& indirizzo) { OpenWebAddress(this, indirizzo); }

void TZolt::Label6Click() { OpenWebAddress(this, QString::fromLatin1(kMakerAddress)); }
