#include "imaging/img_thumb_aspected.h"

#include <QFrame>
#include <QLabel>
#include <QMouseEvent>
#include <QPainter>
#include <algorithm>
#include <functional>
#include <utility>

#include "imaging/picture_file.h"
#include "imaging/placement.h"

namespace vt::imaging {

using controls::ColorValue;

// picThumbnail: the surface the thumbnail is drawn on. Its drawing is a raster of its own, so the
// pixels stay when the canvas is resized and are only replaced by drawing again.
class ThumbnailCanvas : public QFrame {
 public:
  ThumbnailCanvas(QWidget* parent, std::function<void()> onClick)
      : QFrame(parent), onClick_(std::move(onClick)) {}

  QSize DrawingSize() const { return drawing_.size(); }

  // Moves and sizes the canvas at once, also while hidden: the drawing keeps its pixels, cut off
  // or extended with the background.
  void Place(const QRect& geometry) {
    setGeometry(geometry);
    if (drawing_.size() == geometry.size()) {
      return;
    }
    QImage resized(geometry.size(), QImage::Format_RGB32);
    resized.fill(background_);
    if (!resized.isNull() && !drawing_.isNull()) {
      QPainter(&resized).drawImage(0, 0, drawing_);
    }
    drawing_ = std::move(resized);
    update();
  }

  // Clears the drawing to the new background.
  void SetBackground(const QColor& color) {
    background_ = color;
    drawing_.fill(color);
    update();
  }

  // The whole picture scaled into the placement; what falls outside the canvas is cut off.
  void Draw(const QImage& picture, const Placement& placement) {
    const QImage scaled = picture.scaled(placement.width, placement.height, Qt::IgnoreAspectRatio,
                                         Qt::SmoothTransformation);
    if (scaled.isNull() || drawing_.isNull()) {
      return;
    }
    QPainter(&drawing_).drawImage(placement.x, placement.y, scaled);
    update();
  }

 protected:
  void paintEvent(QPaintEvent* /*event*/) override {
    QPainter painter(this);
    painter.drawImage(0, 0, drawing_);
    drawFrame(&painter);  // the canvas's own frame lies over the edge of the drawing
  }

  // A click is a left press and release on the canvas.
  void mousePressEvent(QMouseEvent* event) override {
    pressed_ = event->button() == Qt::LeftButton;
  }

  void mouseReleaseEvent(QMouseEvent* event) override {
    if (std::exchange(pressed_, false) && event->button() == Qt::LeftButton &&
        rect().contains(event->position().toPoint())) {
      onClick_();
    }
  }

 private:
  QImage drawing_;
  QColor background_;
  std::function<void()> onClick_;
  bool pressed_ = false;
};

namespace {

constexpr std::int16_t kSingleLine = 1;
// The canvas sits this far in from the control's left and top edges.
constexpr int kCanvasInset = 2;
// The source holder's size before any picture.
constexpr QSize kHolderDesignSize(167, 130);

// 0: no frame, 1: a single line; other styles are not taken.
void SetFrameStyleOf(QFrame& frame, std::int16_t style) {
  if (style == 0 || style == kSingleLine) {
    frame.setFrameStyle(style == kSingleLine ? (QFrame::Box | QFrame::Plain) : QFrame::NoFrame);
  }
}

std::int16_t FrameStyleOf(const QFrame& frame) {
  return frame.frameShape() == QFrame::Box ? kSingleLine : 0;
}

}  // namespace

ImgThumbAspected::ImgThumbAspected(QWidget* parent)
    : QWidget(parent),
      InertProperties(controls::AmbientFont(parent)),
      lbl3Dborder_(new QLabel(this)),
      picThumbnail_(new ThumbnailCanvas(this, [this] { Q_EMIT Click(); })) {
  lbl3Dborder_->setObjectName(QStringLiteral("lbl3Dborder"));
  SetFrameStyleOf(*lbl3Dborder_, kSingleLine);
  picThumbnail_->setObjectName(QStringLiteral("picThumbnail"));
  EmptyHolder(kHolderDesignSize);
  ApplyBackColor(backColor_);
  Layout();
}

void ImgThumbAspected::SetImagePath(std::string path) {
  Layout();  // a size given while hidden reaches resizeEvent only once the control is shown
  imagePath_ = std::move(path);
  ApplyBackColor(backColor_);
  if (imagePath_.empty()) {
    EmptyHolder(picContainor_.size());
  } else if (QImage picture = ReadPicture(imagePath_); !picture.isNull()) {
    picContainor_ = std::move(picture);
  }
  SetImageWidth(picContainor_.width());
  SetImageHeight(picContainor_.height());
  PropertyChanged("ImagePath");
  FitThumbnail();
}

void ImgThumbAspected::SetBackColor(ColorValue color) {
  ApplyBackColor(color);
  PropertyChanged("BackColor");
}

void ImgThumbAspected::SetImageWidth(std::int32_t width) {
  imageWidth_ = width;
  PropertyChanged("ImageWidth");
}

void ImgThumbAspected::SetImageHeight(std::int32_t height) {
  imageHeight_ = height;
  PropertyChanged("ImageHeight");
}

std::int16_t ImgThumbAspected::Border() const {
  return FrameStyleOf(*lbl3Dborder_);
}

void ImgThumbAspected::SetBorder(std::int16_t style) {
  SetFrameStyleOf(*lbl3Dborder_, style);
  PropertyChanged("Border");
}

void ImgThumbAspected::ReadProperties(const properties::PropertyBag& bag) {
  ReadInert(bag, controls::AmbientFont(parentWidget()));
  imagePath_ = bag.ReadText("ImagePath", "");  // shown only once the host sets it again
  ApplyBackColor(controls::ReadNumberAs(bag, "BackColor", controls::kWhite));
  imageWidth_ = controls::ReadNumberAs<std::int32_t>(bag, "ImageWidth", 0);
  imageHeight_ = controls::ReadNumberAs<std::int32_t>(bag, "ImageHeight", 0);
  SetFrameStyleOf(*picThumbnail_, controls::ReadNumberAs(bag, "BorderStyle", kSingleLine));
  SetFrameStyleOf(*lbl3Dborder_, controls::ReadNumberAs(bag, "Border", kSingleLine));
}

void ImgThumbAspected::WriteProperties(properties::PropertyBag& bag) const {
  WriteInert(bag, controls::AmbientFont(parentWidget()));
  bag.Write("ImagePath", imagePath_, "");
  controls::WriteNumber(bag, "BackColor", backColor_, controls::kWhite);
  controls::WriteNumber(bag, "ImageWidth", imageWidth_, 0);
  controls::WriteNumber(bag, "ImageHeight", imageHeight_, 0);
  // "BorderStyle" carries the canvas's own frame, unlike the property of that name.
  controls::WriteNumber(bag, "BorderStyle", FrameStyleOf(*picThumbnail_), kSingleLine);
  controls::WriteNumber(bag, "Border", Border(), kSingleLine);
  // The control's surface never gets a background picture of its own: written at its default.
  bag.Write("Picture", std::string_view(), std::string_view());
}

void ImgThumbAspected::resizeEvent(QResizeEvent* /*event*/) {
  Layout();
}

// Sizes only: what the canvas shows is redrawn when ImagePath is set again.
void ImgThumbAspected::Layout() {
  picThumbnail_->Place(QRect(kCanvasInset, kCanvasInset, std::max(width() - 2 * kCanvasInset, 0),
                             std::max(height() - 2 * kCanvasInset, 0)));
  lbl3Dborder_->setGeometry(rect());
}

void ImgThumbAspected::ApplyBackColor(ColorValue color) {
  backColor_ = color;
  picThumbnail_->SetBackground(controls::ToQColor(color));
}

// An empty holder shows the face colour of controls.
void ImgThumbAspected::EmptyHolder(QSize size) {
  picContainor_ = QImage(size, QImage::Format_RGB32);
  picContainor_.fill(controls::ToQColor(controls::kButtonFace));
}

void ImgThumbAspected::FitThumbnail() {
  const QSize canvas = picThumbnail_->DrawingSize();
  const std::optional<Placement> placement = ThumbnailPlacement(
      {imageWidth_, imageHeight_}, {picContainor_.width(), picContainor_.height()},
      {canvas.width(), canvas.height()});
  if (placement) {
    picThumbnail_->Draw(picContainor_, *placement);
  }
}

}  // namespace vt::imaging
