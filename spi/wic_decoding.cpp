#include "wic_decoding.h"
#include <propidl.h>
#include "container_checks.h"
#include "picture/susie_interface.h"
#include "wic_session.h"

namespace {
uint32_t Be32(const unsigned char* p) { return uint32_t(p[0]) << 24 | uint32_t(p[1]) << 16 | uint32_t(p[2]) << 8 | p[3]; }

int ResultOf(HRESULT hr) { return hr == E_OUTOFMEMORY ? kSpiOutOfMemory : kSpiBrokenData; }

// A small unsigned metadata value by query name; false when there is none.
bool QueryNumber(IWICMetadataQueryReader* reader, const wchar_t* name, unsigned* value) {
    PROPVARIANT v;
    PropVariantInit(&v);
    if (FAILED(reader->GetMetadataByName(name, &v))) return false;
    bool ok = true;
    switch (v.vt) {
    case VT_UI1: *value = v.bVal; break;
    case VT_UI2: *value = v.uiVal; break;
    case VT_UI4: *value = v.ulVal; break;
    case VT_I2: *value = static_cast<unsigned>(v.iVal); break;
    case VT_I4: *value = static_cast<unsigned>(v.lVal); break;
    default: ok = false; break;
    }
    PropVariantClear(&v);
    return ok;
}

// The orientation from the frame's metadata where the system can read it,
// from our own reading of the EXIF block otherwise.
int Orientation(IWICBitmapFrameDecode* frame, const unsigned char* data, size_t size) {
    ComRef<IWICMetadataQueryReader> reader;
    if (SUCCEEDED(frame->GetMetadataQueryReader(reader.out()))) {
        const wchar_t* const queries[] = {L"/app1/ifd/{ushort=274}", L"/ifd/{ushort=274}",
                                          L"System.Photo.Orientation"};
        for (const wchar_t* query : queries) {
            unsigned value;
            if (QueryNumber(reader.get(), query, &value) && value >= 1 && value <= 8) return static_cast<int>(value);
        }
    }
    return ExifOrientation(data, size);
}

struct GifScreen {
    unsigned width = 0, height = 0, left = 0, top = 0;
};

// Our own look at the structure before the system's decoder sees the bytes;
// an SpiResult. A size beyond the budget in the header is result 4 however
// the rest looks.
int CheckStructure(const GUID& container, const unsigned char* data, size_t size, GifScreen* screen) {
    if (IsEqualGUID(container, GUID_ContainerFormatPng)) {
        if (size >= 24) {
            const uint32_t w = Be32(data + 16), h = Be32(data + 20);
            if (w && h && !WithinBudget(w, h)) return kSpiOutOfMemory;
        }
        return PngChunksSound(data, size) ? kSpiSuccess : kSpiBrokenData;
    }
    if (IsEqualGUID(container, GUID_ContainerFormatGif)) {
        if (!GifFirstFrameSound(data, size, &screen->width, &screen->height, &screen->left, &screen->top))
            return kSpiBrokenData;
        if (!WithinBudget(screen->width, screen->height))
            return screen->width && screen->height ? kSpiOutOfMemory : kSpiBrokenData;
        return kSpiSuccess;
    }
    bool sound = true;
    if (IsEqualGUID(container, GUID_ContainerFormatJpeg)) sound = JpegSegmentsSound(data, size);
    if (IsEqualGUID(container, GUID_ContainerFormatTiff)) sound = TiffStructureSound(data, size);
    if (IsEqualGUID(container, GUID_ContainerFormatIco)) sound = IcoFirstPictureSound(data, size);
    return sound ? kSpiSuccess : kSpiBrokenData;
}
}  // namespace

int DecodeWithSystem(const SystemFormat& format, const unsigned char* data, size_t size, DecodedPicture* picture) {
    // A GIF's first frame lies on its logical screen, whose size the picture has.
    const bool gif = IsEqualGUID(format.container, GUID_ContainerFormatGif);
    GifScreen screen;
    const int checked = CheckStructure(format.container, data, size, &screen);
    if (checked != kSpiSuccess) return checked;
    if (size > 0xFFFFFFFFu) return kSpiOutOfMemory;
    WicSession session;
    IWICImagingFactory* factory = session.factory();
    if (!factory) return kSpiInternalError;
    ComRef<IWICStream> stream;
    HRESULT hr = factory->CreateStream(stream.out());
    if (FAILED(hr)) return kSpiInternalError;
    if (FAILED(hr = stream->InitializeFromMemory(const_cast<BYTE*>(data), static_cast<DWORD>(size))))
        return ResultOf(hr);
    ComRef<IWICBitmapDecoder> decoder;
    if (FAILED(hr = factory->CreateDecoder(format.container, nullptr, decoder.out()))) return kSpiInternalError;
    if (FAILED(hr = decoder->Initialize(stream.get(), WICDecodeMetadataCacheOnDemand))) return ResultOf(hr);
    ComRef<IWICBitmapFrameDecode> frame;
    if (FAILED(hr = decoder->GetFrame(0, frame.out()))) return ResultOf(hr);
    UINT width = 0, height = 0;
    if (FAILED(hr = frame->GetSize(&width, &height))) return ResultOf(hr);
    if (!WithinBudget(width, height)) return width && height ? kSpiOutOfMemory : kSpiBrokenData;

    UINT fullWidth = width, fullHeight = height;
    if (gif) {
        // A frame reaching past the screen makes the screen grow, as viewers do.
        fullWidth = screen.left + width > screen.width ? screen.left + width : screen.width;
        fullHeight = screen.top + height > screen.height ? screen.top + height : screen.height;
    }
    ComRef<IWICFormatConverter> converter;
    if (FAILED(hr = factory->CreateFormatConverter(converter.out()))) return ResultOf(hr);
    if (FAILED(hr = converter->Initialize(frame.get(), GUID_WICPixelFormat32bppBGRA, WICBitmapDitherTypeNone, nullptr,
                                          0.0, WICBitmapPaletteTypeCustom)))
        return ResultOf(hr);
    int result = picture->Allocate(fullWidth, fullHeight);
    if (result != kSpiSuccess) return result;
    const bool placed = fullWidth != width || fullHeight != height;
    DecodedPicture frameOnly;
    DecodedPicture* target = picture;
    if (placed) {
        if ((result = frameOnly.Allocate(width, height)) != kSpiSuccess) return result;
        target = &frameOnly;
    }
    const WICRect all{0, 0, static_cast<INT>(width), static_cast<INT>(height)};
    const UINT stride = width * 4;
    if (FAILED(hr = converter->CopyPixels(&all, stride, stride * height, reinterpret_cast<BYTE*>(target->pixels))))
        return ResultOf(hr);
    if (placed) {
        for (UINT y = 0; y < height; ++y) {
            const uint32_t* from = frameOnly.Row(static_cast<int>(y));
            uint32_t* to = picture->Row(static_cast<int>(screen.top + y)) + screen.left;
            for (UINT x = 0; x < width; ++x) to[x] = from[x];
        }
    }
    picture->orientation = Orientation(frame.get(), data, size);
    return kSpiSuccess;
}
