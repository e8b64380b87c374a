#include "actions/fzoom.h"

#include <QAction>
#include <QGuiApplication>
#include <QMenu>
#include <QPainter>
#include <QScreen>
#include <QVBoxLayout>
#include <stdexcept>

#include "disc/catalogue.h"
#include "platform/jpeg/jpegdecoder.h"

TFEJpeg::TFEJpeg(QWidget* parent) : QWidget(parent) {
  setAttribute(Qt::WA_OpaquePaintEvent);
  setContextMenuPolicy(Qt::CustomContextMenu);
}

void TFEJpeg::setPicture(const QImage& image) {
  picture_ = image;
  shown_ = QImage();
  update();
}

void TFEJpeg::paintEvent(QPaintEvent*) {
  QPainter painter(this);
  if (picture_.isNull()) {
    painter.fillRect(rect(), palette().button());
    return;
  }
  // Stretched, proportions not kept, from the decoded picture straight to
  // the screen's pixels; scaled again only when the size changes.
  const qreal ratio = devicePixelRatioF();
  const QSize pixels = (QSizeF(size()) * ratio).toSize();
  if (shown_.size() != pixels || shown_.devicePixelRatio() != ratio) {
    shown_ = picture_.scaled(pixels, Qt::IgnoreAspectRatio, Qt::SmoothTransformation);
    shown_.setDevicePixelRatio(ratio);
  }
  painter.drawImage(QPoint(0, 0), shown_);
}

TFZoom::TFZoom(QWidget* parent) : QDialog(parent) {
  setObjectName(QStringLiteral("FZoom"));
  setWindowTitle(QStringLiteral("Zoom"));
  setWindowFlags(Qt::Window | Qt::WindowTitleHint | Qt::WindowSystemMenuHint |
                 Qt::WindowMinMaxButtonsHint | Qt::WindowCloseButtonHint);
  setModal(true);
  setSizeGripEnabled(false);
  QPalette colours = palette();
  colours.setColor(QPalette::Window, colours.color(QPalette::Button));
  setPalette(colours);
  setAutoFillBackground(true);
  resize(kClientWidth, kClientHeight);
  setupPicture();
  setupMenu();
}

void TFZoom::setupPicture() {
  FEJpeg1 = new TFEJpeg(this);
  FEJpeg1->setObjectName(QStringLiteral("FEJpeg1"));
  auto* layout = new QVBoxLayout(this);
  layout->setContentsMargins(0, 0, 0, 0);
  layout->addWidget(FEJpeg1);
}

void TFZoom::setupMenu() {
  PopupMenu1 = new QMenu(this);
  PopupMenu1->setObjectName(QStringLiteral("PopupMenu1"));
  Chiudi1 = PopupMenu1->addAction(QStringLiteral("Chiudi"));
  Chiudi1->setObjectName(QStringLiteral("Chiudi1"));
  connect(Chiudi1, &QAction::triggered, this, &TFZoom::Chiudi1Click);
  connect(FEJpeg1, &QWidget::customContextMenuRequested, this,
          [this](const QPoint& at) { PopupMenu1->popup(FEJpeg1->mapToGlobal(at)); });
}

void TFZoom::CaricaImmagine(const std::string& percorso) {
  QImage image;
  std::string error;
  if (!zolt::LoadJpegFile(percorso, zolt::catalogue::DiscRoot(), image, &error) || image.isNull()) {
    throw std::runtime_error("cannot show \"" + percorso + "\": " +
                             (error.empty() ? std::string("not a picture") : error));
  }
  FEJpeg1->setPicture(image);
}

void TFZoom::Chiudi1Click() { close(); }

void TFZoom::showEvent(QShowEvent* event) {
  QDialog::showEvent(event);
  centreOnScreen();
}

void TFZoom::centreOnScreen() {
  const QScreen* screen = QGuiApplication::primaryScreen();
  if (!screen) return;
  QRect frame = frameGeometry();
  frame.moveCenter(screen->availableGeometry().center());
  move(frame.topLeft());
}
