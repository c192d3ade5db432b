#pragma once

#include <QImage>
#include <QWidget>
#include <cstdint>
#include <string>

#include "controls/control_values.h"

class QLabel;

namespace vt::imaging {

class ThumbnailCanvas;

// A picture frame that shows one picture file as a thumbnail with its proportions kept: fitted to
// the canvas width when wider than tall, to its height when taller, to the whole canvas when
// square. The canvas keeps what was drawn on it until ImagePath is set again; clicks on it are
// reported as Click.
class ImgThumbAspected : public QWidget, public controls::InertProperties {
  Q_OBJECT

 public:
  explicit ImgThumbAspected(QWidget* parent = nullptr);

  void Refresh() {}

  const std::string& ImagePath() const { return imagePath_; }
  // Nothing is reported: a picture that cannot be read leaves the previous one, fitted anew.
  void SetImagePath(std::string path);

  controls::ColorValue BackColor() const { return backColor_; }
  // Also clears the canvas.
  void SetBackColor(controls::ColorValue color);

  // The natural size of the picture last loaded.
  std::int32_t ImageWidth() const { return imageWidth_; }
  void SetImageWidth(std::int32_t width);
  std::int32_t ImageHeight() const { return imageHeight_; }
  void SetImageHeight(std::int32_t height);

  // The outer frame's style: 0 none, 1 a single line.
  std::int16_t Border() const;
  void SetBorder(std::int16_t style);
  std::int16_t BorderStyle() const { return Border(); }

  void ReadProperties(const properties::PropertyBag& bag) override;
  void WriteProperties(properties::PropertyBag& bag) const override;

 Q_SIGNALS:
  void Click();

 protected:
  void resizeEvent(QResizeEvent* event) override;

 private:
  void Layout();
  void ApplyBackColor(controls::ColorValue color);
  void EmptyHolder(QSize size);
  void FitThumbnail();

  QLabel* lbl3Dborder_;
  ThumbnailCanvas* picThumbnail_;
  // The source holder at the picture's natural size; what it holds is also the picture drawn.
  QImage picContainor_;
  std::string imagePath_;
  controls::ColorValue backColor_ = controls::kWhite;
  std::int32_t imageWidth_ = 0;
  std::int32_t imageHeight_ = 0;
};

}  // namespace vt::imaging
