#pragma once
// The zoom window: the item's picture alone, stretched to fill the window
// whatever its proportions. Created for each use, shown modally, destroyed.

#include <QDialog>
#include <QImage>
#include <QWidget>

class QMenu;
class QAction;

// The picture control: paints its image over its whole area.
class TFEJpeg : public QWidget {
  Q_OBJECT
  Q_DISABLE_COPY_MOVE(TFEJpeg)

 public:
  explicit TFEJpeg(QWidget* parent = nullptr);
  void setPicture(const QImage& image);
  const QImage& picture() const { return picture_; }

 protected:
  void paintEvent(QPaintEvent* event) override;

 private:
  QImage picture_;
  QImage shown_;  // picture_ at the control's size in device pixels
};

class TFZoom : public QDialog {
  Q_OBJECT
  Q_DISABLE_COPY_MOVE(TFZoom)

 public:
  // Client area; with the frame the window is 447 x 366.
  static constexpr int kClientWidth = 439;
  static constexpr int kClientHeight = 339;

  explicit TFZoom(QWidget* parent = nullptr);

  // Decodes the JPEG file into FEJpeg1. Throws std::runtime_error, naming the
  // file, when it cannot be read or decoded.
  void CaricaImmagine(const std::string& percorso);

  TFEJpeg* FEJpeg1 = nullptr;
  QMenu* PopupMenu1 = nullptr;
  QAction* Chiudi1 = nullptr;

  void Chiudi1Click();

 protected:
  void showEvent(QShowEvent* event) override;

 private:
  void setupPicture();
  void setupMenu();
  void centreOnScreen();
};
