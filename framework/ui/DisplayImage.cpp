#include "framework/ui/DisplayImage.h"

#include <cstddef>
#ifdef __SSE2__
#include <emmintrin.h>
#endif

namespace fw {
namespace {
// Transparency to alpha: 255 - t is t with its bits flipped.
constexpr uint32_t kFlipAlpha = 0xFF000000u;

// One line of color words to premultiplied ARGB, pixel for pixel what
// qPremultiply gives (per channel c * a / 255 rounded: with t = c * a,
// (t + (t >> 8) + 0x80) >> 8). Answers the AND of the results, whose top
// byte is 0xFF only when every pixel is opaque.
uint32_t PremultiplyLine(const uint32_t* src, uint32_t* dst, size_t n) {
  uint32_t all = 0xFFFFFFFFu;
  size_t x = 0;
#ifdef __SSE2__
  const __m128i flip = _mm_set1_epi32(static_cast<int>(kFlipAlpha));
  const __m128i alphaMask = _mm_set1_epi32(static_cast<int>(0xFF000000u));
  const __m128i half = _mm_set1_epi16(0x80);
  const __m128i zero = _mm_setzero_si128();
  __m128i acc = _mm_set1_epi32(-1);
  // Two pixels of eight 16-bit channels, each times its pixel's alpha.
  auto scale = [&](__m128i c) {
    const __m128i a = _mm_shufflehi_epi16(_mm_shufflelo_epi16(c, _MM_SHUFFLE(3, 3, 3, 3)), _MM_SHUFFLE(3, 3, 3, 3));
    __m128i t = _mm_mullo_epi16(c, a);
    t = _mm_add_epi16(_mm_add_epi16(t, _mm_srli_epi16(t, 8)), half);
    return _mm_srli_epi16(t, 8);
  };
  for (; x + 4 <= n; x += 4) {
    const __m128i p = _mm_xor_si128(_mm_loadu_si128(reinterpret_cast<const __m128i*>(src + x)), flip);
    // Alpha 255 keeps a pixel, alpha 0 makes it 0: the usual case.
    const __m128i sign = _mm_srai_epi32(p, 31);
    __m128i out;
    if (_mm_movemask_epi8(_mm_cmpeq_epi32(_mm_srai_epi32(p, 24), sign)) == 0xFFFF) {
      out = _mm_and_si128(p, sign);
    } else {
      const __m128i scaled = _mm_packus_epi16(scale(_mm_unpacklo_epi8(p, zero)), scale(_mm_unpackhi_epi8(p, zero)));
      out = _mm_or_si128(_mm_andnot_si128(alphaMask, scaled), _mm_and_si128(p, alphaMask));
    }
    _mm_storeu_si128(reinterpret_cast<__m128i*>(dst + x), out);
    acc = _mm_and_si128(acc, out);
  }
  alignas(16) uint32_t lanes[4];
  _mm_store_si128(reinterpret_cast<__m128i*>(lanes), acc);
  all = lanes[0] & lanes[1] & lanes[2] & lanes[3];
#endif
  for (; x < n; ++x) {
    dst[x] = qPremultiply(src[x] ^ kFlipAlpha);
    all &= dst[x];
  }
  return all;
}
}  // namespace

// The color bytes stay as they are, also those of fully transparent pixels.
QImage ToQImage(const fw::Picture& picture) {
  QImage image(static_cast<int>(picture.Width()), static_cast<int>(picture.Height()), QImage::Format_ARGB32);
  const size_t width = static_cast<size_t>(picture.Width());
  const uint32_t* src = picture.Data();
  for (int y = 0; y < image.height(); ++y, src += width) {
    auto* line = reinterpret_cast<uint32_t*>(image.scanLine(y));
    for (size_t x = 0; x < width; ++x) line[x] = src[x] ^ kFlipAlpha;
  }
  return image;
}

const QImage& DisplayImage::Of(const fw::Picture& picture) {
  if (picture.Serial() == serial_ && picture.ChangeCount() == changes_) return image_;
  const QSize size(static_cast<int>(picture.Width()), static_cast<int>(picture.Height()));
  // The last image's buffer is reused unless a painter or a copy still
  // shares it.
  if (image_.size() != size || !image_.isDetached()) image_ = QImage(size, QImage::Format_ARGB32_Premultiplied);
  // Premultiplied as Qt premultiplies an ARGB image when it draws one, so
  // the screen shows the same pixels; the fully transparent ones vanish
  // either way.
  const size_t width = static_cast<size_t>(picture.Width());
  const uint32_t* src = picture.Data();
  uint32_t all = 0xFFFFFFFFu;
  for (int y = 0; y < image_.height(); ++y, src += width)
    all &= PremultiplyLine(src, reinterpret_cast<uint32_t*>(image_.scanLine(y)), width);
  // An opaque picture (the same bytes either way) is drawn as a plain copy.
  if (!image_.isNull())
    image_.reinterpretAsFormat((all >> 24) == 0xFFu ? QImage::Format_RGB32 : QImage::Format_ARGB32_Premultiplied);
  serial_ = picture.Serial();
  changes_ = picture.ChangeCount();
  return image_;
}

std::shared_ptr<fw::Picture> FromQImage(const QImage& image) {
  const QImage argb = image.convertToFormat(QImage::Format_ARGB32);
  auto picture = std::make_shared<fw::Picture>(argb.width(), argb.height());
  uint32_t* dst = picture->Data();
  for (int y = 0; y < argb.height(); ++y) {
    const auto* line = reinterpret_cast<const uint32_t*>(argb.constScanLine(y));
    for (int x = 0; x < argb.width(); ++x) dst[static_cast<size_t>(y) * argb.width() + x] = line[x] ^ kFlipAlpha;
  }
  picture->Changed();
  return picture;
}

}  // namespace fw
