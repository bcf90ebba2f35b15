// The receipt picture on Windows: the font drawn with GDI into a device-independent bitmap,
// the JPEG encoded with the Windows Imaging Component into memory.
#include "platform/text_picture.h"

#include <windows.h>
#include <objidl.h>
#include <ocidl.h>
#include <wincodec.h>

#include <algorithm>
#include <climits>

#include "platform/windows/system_text.h"
#include "support/error.h"

namespace qx::platform {

namespace {

constexpr int kDotsPerInch = 96;

// GDI counts characters in an int: longer texts are measured and drawn up to that count.
int GdiLength(StringView aText) { return static_cast<int>(std::min<size_t>(aText.size(), INT_MAX / 2)); }

class GdiFont : public FixedPitchFont {
 public:
  explicit GdiFont(int aPointSize) {
    fDc = ::CreateCompatibleDC(nullptr);
    if (fDc == nullptr) throw Error(u"The font engine cannot be started");
    // Grey anti-aliasing (not ClearType) keeps black text black on white.
    fFont = ::CreateFontW(-::MulDiv(aPointSize, kDotsPerInch, 72), 0, 0, 0, FW_NORMAL, FALSE, FALSE, FALSE,
                          DEFAULT_CHARSET, OUT_TT_PRECIS, CLIP_DEFAULT_PRECIS, ANTIALIASED_QUALITY,
                          FIXED_PITCH | FF_MODERN, L"Courier New");
    TEXTMETRICW metrics{};
    // TMPF_FIXED_PITCH set means a variable pitch font.
    if (fFont == nullptr || ::SelectObject(fDc, fFont) == nullptr || !::GetTextMetricsW(fDc, &metrics) ||
        (metrics.tmPitchAndFamily & TMPF_FIXED_PITCH) != 0) {
      Release();
      throw Error(u"No fixed-pitch Courier-like font is installed");
    }
    fAscent = metrics.tmAscent;
    fDescent = metrics.tmDescent;
    fOverhang = metrics.tmOverhang + metrics.tmMaxCharWidth;
  }
  ~GdiFont() override { Release(); }
  GdiFont(const GdiFont&) = delete;
  GdiFont& operator=(const GdiFont&) = delete;

  int TextHeight(StringView) override { return fAscent + fDescent; }

  int TextWidth(StringView aText) override {
    SIZE size{};
    if (aText.empty() ||
        !::GetTextExtentPoint32W(fDc, reinterpret_cast<const wchar_t*>(aText.data()), GdiLength(aText), &size))
      return 0;
    return size.cx;
  }

  // The text is drawn on white into a bitmap as large as the part of the picture it covers,
  // and each pixel's darkness is laid over the picture, as the other platforms do.
  void Draw(RgbPicture& aPicture, int aLeft, int aTop, StringView aText) override {
    if (aText.empty()) return;
    const int64_t right = static_cast<int64_t>(aLeft) + TextWidth(aText) + fOverhang;
    const int64_t bottom = static_cast<int64_t>(aTop) + fAscent + fDescent;
    const int x0 = std::max(aLeft, 0);
    const int y0 = std::max(aTop, 0);
    const int x1 = static_cast<int>(std::min<int64_t>(right, aPicture.Width));
    const int y1 = static_cast<int>(std::min<int64_t>(bottom, aPicture.Height));
    if (x1 <= x0 || y1 <= y0) return;
    const int width = x1 - x0;
    const int height = y1 - y0;
    BITMAPINFO info{};
    info.bmiHeader.biSize = sizeof(info.bmiHeader);
    info.bmiHeader.biWidth = width;
    info.bmiHeader.biHeight = -height;  // rows from the top
    info.bmiHeader.biPlanes = 1;
    info.bmiHeader.biBitCount = 32;
    info.bmiHeader.biCompression = BI_RGB;
    void* bits = nullptr;
    HBITMAP bitmap = ::CreateDIBSection(fDc, &info, DIB_RGB_COLORS, &bits, nullptr, 0);
    if (bitmap == nullptr || bits == nullptr) throw Error(u"The receipt picture cannot be drawn");
    HGDIOBJ previous = ::SelectObject(fDc, bitmap);
    auto* pixels = static_cast<uint32_t*>(bits);
    std::fill(pixels, pixels + static_cast<size_t>(width) * height, 0x00FFFFFFu);
    ::SetTextColor(fDc, RGB(0, 0, 0));
    ::SetBkMode(fDc, TRANSPARENT);
    ::SetTextAlign(fDc, TA_TOP | TA_LEFT | TA_NOUPDATECP);
    ::GdiFlush();
    const BOOL drawn =
        ::TextOutW(fDc, aLeft - x0, aTop - y0, reinterpret_cast<const wchar_t*>(aText.data()), GdiLength(aText));
    ::GdiFlush();
    if (drawn) {
      for (int row = 0; row < height; ++row) {
        for (int col = 0; col < width; ++col) {
          const uint32_t drawnPixel = pixels[static_cast<size_t>(row) * width + col];
          // Grey text: the darkest channel is the glyph's coverage.
          const uint32_t light = std::min({drawnPixel & 0xFF, (drawnPixel >> 8) & 0xFF, (drawnPixel >> 16) & 0xFF});
          if (light == 0xFF) continue;
          uint8_t* pixel = &aPicture.Pixels[(static_cast<size_t>(y0 + row) * aPicture.Width + x0 + col) * 3];
          for (int k = 0; k < 3; ++k) pixel[k] = static_cast<uint8_t>(pixel[k] * light / 255);
        }
      }
    }
    ::SelectObject(fDc, previous);
    ::DeleteObject(bitmap);
    if (!drawn) throw Error(u"The receipt picture cannot be drawn");
  }

 private:
  void Release() {
    if (fDc != nullptr) ::DeleteDC(fDc);
    if (fFont != nullptr) ::DeleteObject(fFont);
    fDc = nullptr;
    fFont = nullptr;
  }

  HDC fDc = nullptr;
  HFONT fFont = nullptr;
  int fAscent = 0;
  int fDescent = 0;
  int fOverhang = 0;
};

// A COM interface pointer released when it goes out of scope.
template <typename T>
class ComRef {
 public:
  ComRef() = default;
  ~ComRef() {
    if (fPointer != nullptr) fPointer->Release();
  }
  ComRef(const ComRef&) = delete;
  ComRef& operator=(const ComRef&) = delete;
  T** operator&() { return &fPointer; }
  T* operator->() const { return fPointer; }
  T* get() const { return fPointer; }

 private:
  T* fPointer = nullptr;
};

// COM on the calling thread for the span of one call: uninitialised again only when this call
// initialised it (a thread the host already set up, in either model, is left as it was).
class ComScope {
 public:
  ComScope() : fResult(::CoInitializeEx(nullptr, COINIT_MULTITHREADED)) {}
  ~ComScope() {
    if (SUCCEEDED(fResult)) ::CoUninitialize();
  }
  ComScope(const ComScope&) = delete;
  ComScope& operator=(const ComScope&) = delete;
  bool Usable() const { return SUCCEEDED(fResult) || fResult == RPC_E_CHANGED_MODE; }

 private:
  HRESULT fResult;
};

// The picture's rows in the encoder's byte order: blue, green, red.
std::vector<BYTE> BgrRows(const RgbPicture& aPicture) {
  std::vector<BYTE> bgr(aPicture.Pixels.size());
  for (size_t i = 0; i + 2 < bgr.size(); i += 3) {
    bgr[i] = aPicture.Pixels[i + 2];
    bgr[i + 1] = aPicture.Pixels[i + 1];
    bgr[i + 2] = aPicture.Pixels[i];
  }
  return bgr;
}

bool EncodeInto(IStream* aStream, const RgbPicture& aPicture, int aQuality) {
  ComRef<IWICImagingFactory> factory;
  if (FAILED(::CoCreateInstance(CLSID_WICImagingFactory, nullptr, CLSCTX_INPROC_SERVER, IID_IWICImagingFactory,
                                reinterpret_cast<void**>(&factory))))
    return false;
  ComRef<IWICBitmapEncoder> encoder;
  ComRef<IWICBitmapFrameEncode> frame;
  ComRef<IPropertyBag2> options;
  if (FAILED(factory->CreateEncoder(GUID_ContainerFormatJpeg, nullptr, &encoder)) ||
      FAILED(encoder->Initialize(aStream, WICBitmapEncoderNoCache)) ||
      FAILED(encoder->CreateNewFrame(&frame, &options)))
    return false;
  PROPBAG2 option{};
  option.pstrName = const_cast<LPOLESTR>(L"ImageQuality");
  VARIANT value;
  ::VariantInit(&value);
  value.vt = VT_R4;
  value.fltVal = static_cast<float>(std::clamp(aQuality, 0, 100)) / 100.0f;
  if (FAILED(options->Write(1, &option, &value)) || FAILED(frame->Initialize(options.get())) ||
      FAILED(frame->SetSize(static_cast<UINT>(aPicture.Width), static_cast<UINT>(aPicture.Height))))
    return false;
  WICPixelFormatGUID format = GUID_WICPixelFormat24bppBGR;
  if (FAILED(frame->SetPixelFormat(&format)) || !IsEqualGUID(format, GUID_WICPixelFormat24bppBGR)) return false;
  std::vector<BYTE> rows = BgrRows(aPicture);
  const UINT stride = static_cast<UINT>(aPicture.Width) * 3;
  return SUCCEEDED(frame->WritePixels(static_cast<UINT>(aPicture.Height), stride, static_cast<UINT>(rows.size()),
                                      rows.data())) &&
         SUCCEEDED(frame->Commit()) && SUCCEEDED(encoder->Commit());
}

}  // namespace

std::unique_ptr<FixedPitchFont> FixedPitchFont::Open(int aPointSize) { return std::make_unique<GdiFont>(aPointSize); }

std::string EncodeJpeg(const RgbPicture& aPicture, int aQuality) {
  if (aPicture.Width <= 0 || aPicture.Height <= 0 || aPicture.Width > 65500 || aPicture.Height > 65500 ||
      aPicture.Pixels.size() != static_cast<size_t>(aPicture.Width) * static_cast<size_t>(aPicture.Height) * 3)
    throw Error(u"The receipt picture is too large to encode");
  const ComScope com;
  if (!com.Usable()) throw Error(u"The receipt picture cannot be encoded");
  ComRef<IStream> stream;
  if (FAILED(::CreateStreamOnHGlobal(nullptr, TRUE, &stream)) || !EncodeInto(stream.get(), aPicture, aQuality))
    throw Error(u"The receipt picture cannot be encoded");
  STATSTG stat{};
  HGLOBAL memory = nullptr;
  if (FAILED(stream->Stat(&stat, STATFLAG_NONAME)) || FAILED(::GetHGlobalFromStream(stream.get(), &memory)))
    throw Error(u"The receipt picture cannot be encoded");
  const void* data = ::GlobalLock(memory);
  if (data == nullptr) throw Error(u"The receipt picture cannot be encoded");
  std::string bytes(static_cast<const char*>(data), static_cast<size_t>(stat.cbSize.QuadPart));
  ::GlobalUnlock(memory);
  return bytes;
}

}  // namespace qx::platform
