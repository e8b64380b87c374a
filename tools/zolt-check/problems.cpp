#include "tools/zolt-check/problems.h"

namespace zolt::check {

const char* SeverityName(Severity severity) {
  switch (severity) {
    case Severity::kError:
      return "error";
    case Severity::kWarning:
      return "warning";
    case Severity::kInfo:
      return "info";
  }
  return "";
}

const std::vector<CodeInfo>& Codes() {
  using S = Severity;
  static const std::vector<CodeInfo> codes = {
      {"section-over-twelve", S::kError, "una sezione oltre la dodicesima: nessuna linguetta"},
      {"name-too-long-for-disc", S::kError, "un nome oltre i 64 caratteri UTF-16 del Joliet"},
      {"name-reserved-at-root", S::kError, "alla radice, un nome del disco stesso: zolt, autorun.sh, .zolt, .xdg-volume-info"},
      {"name-not-for-disc", S::kError, "un nome con * / : ; ? \\, un carattere di controllo, o che finisce con un punto o uno spazio"},
      {"folder-unreadable", S::kError, "una cartella del catalogo che non si può elencare"},
      {"file-unreadable", S::kError, "un file del prodotto che c'è ma non è un file regolare leggibile"},
      {"file-too-large", S::kError, "un file del prodotto oltre il limite del programma"},
      {"picture-damaged", S::kError, "\"img.jpg\" che il decodificatore rifiuta o decodifica solo in parte"},
      {"banner-damaged", S::kError, "\"banner.gif\" il cui primo fotogramma non si decodifica"},
      {"installer-missing", S::kError, "la prima riga di \"setup.txt\" non nomina un file esistente"},
      {"path-escapes-disc", S::kError, "un file del prodotto (o l'archivio) che è un collegamento fuori dal disco"},
      {"path-escapes-item", S::kError, "una riga di \"setup.txt\" che esce dal disco, o di \"copia.txt\" che esce dalla cartella"},
      {"copy-file-missing", S::kError, "\"copia.txt\" nomina un file che non c'è"},
      {"archive-unreadable", S::kError, "l'archivio \"home/Archivio.xls\" non si legge"},
      {"folder-not-listed", S::kWarning, "una cartella con file del catalogo che non compare, per il nome"},
      {"hidden-folder", S::kWarning, "una cartella nascosta con file del catalogo"},
      {"section-home", S::kWarning, "\"Home_\" tra le prime dodici sezioni: occupa un posto senza linguetta"},
      {"folder-too-deep", S::kWarning, "una cartella del catalogo sotto una sotto-voce: mai nell'elenco, mai cercata"},
      {"folder-link-loop", S::kWarning, "un collegamento che riporta a una cartella che lo contiene"},
      {"group-without-entries", S::kWarning, "una voce senza \"testo.txt\" e senza sotto-voci: pagina vuota"},
      {"name-case-clash", S::kWarning, "due nomi nella stessa cartella che differiscono solo per maiuscole"},
      {"description-damaged", S::kWarning, "\"testo.txt\" in RTF danneggiato (gruppi aperti, troncato)"},
      {"picture-not-jpeg", S::kWarning, "\"img.jpg\" in un altro formato"},
      {"banner-without-address", S::kWarning, "un banner senza \"banner.txt\": il clic apre l'indirizzo precedente"},
      {"banner-address-invalid", S::kWarning, "le righe di \"banner.txt\" non formano un indirizzo web"},
      {"installer-empty-line", S::kWarning, "la prima riga di \"setup.txt\" è vuota: Installa apre la cartella"},
      {"installer-has-arguments", S::kWarning, "la prima riga di \"setup.txt\" ha opzioni dopo il nome del file"},
      {"copy-needs-folder", S::kWarning, "la riga di \"copia.txt\" ha una cartella: la copia riesce solo se esiste già"},
      {"description-raw-utf8", S::kWarning, "RTF con lettere in UTF-8 senza codice: si vedono come due caratteri strani"},
      {"installer-not-executable", S::kWarning, "uno script o programma ELF di \"setup.txt\" senza permesso di esecuzione"},
      {"installer-unsafe-mode", S::kWarning, "il programma di \"setup.txt\" è setuid, setgid o scrivibile da tutti"},
      {"home-missing", S::kWarning, "manca la cartella Home"},
      {"home-page-missing", S::kWarning, "manca \"scheda.htm\" nella cartella Home"},
      {"home-page-broken-link", S::kWarning, "un file usato da \"scheda.htm\" manca o ha altre maiuscole"},
      {"archive-missing", S::kWarning, "manca l'archivio \"home/Archivio.xls\""},
      {"archive-empty", S::kWarning, "l'archivio non ha righe"},
      {"search-skips-home", S::kWarning, "una cartella \"Home\" al secondo livello: la ricerca non la legge"},
      {"tabs-too-wide", S::kWarning, "le linguette di una riga escono dalla finestra"},
      {"section-empty", S::kInfo, "una sezione senza voci"},
      {"name-not-utf8", S::kInfo, "un nome non in UTF-8 (mostrato come Windows-1252)"},
      {"description-missing", S::kInfo, "una sotto-voce senza \"testo.txt\": pagina senza testo, mai trovata dalla ricerca"},
      {"description-not-rtf", S::kInfo, "\"testo.txt\" senza RTF: mostrato come testo semplice"},
      {"address-without-banner", S::kInfo, "\"banner.txt\" senza banner"},
      {"installer-windows-only", S::kInfo, "Installa avvia un programma Windows"},
      {"description-accents-unsearchable", S::kInfo, "lettere accentate come codici RTF: la ricerca non trova quelle parole"},
      {"archive-outside-columns", S::kInfo, "testo del primo foglio oltre la colonna C: la ricerca non lo legge"},
      {"archive-several-sheets", S::kInfo, "l'archivio ha più fogli: si cerca solo nel primo"},
  };
  return codes;
}

std::optional<Severity> SeverityOf(std::string_view code) {
  for (const CodeInfo& info : Codes()) {
    if (info.code == code) return info.severity;
  }
  return std::nullopt;
}

}  // namespace zolt::check
