#include "wic_decoding.h"
#include <propidl.h>
#include "container_checks.h"
#include "import_interface.h"
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

}  // namespace

int DecodeWithSystem(const SystemFormat& format, const unsigned char* data, size_t size, DecodedPicture* picture) {
    if (IsEqualGUID(format.container, GUID_ContainerFormatPng)) {
        // The header's size first: beyond the budget is result 4 however the rest looks.
        if (size >= 24) {
            const uint32_t w = Be32(data + 16), h = Be32(data + 20);
            if (w && h && !WithinBudget(w, h)) return kSpiOutOfMemory;
        }
        if (!PngChunksSound(data, size)) return kSpiBrokenData;
    }
    if (IsEqualGUID(format.container, GUID_ContainerFormatJpeg) && !JpegSegmentsSound(data, size))
        return kSpiBrokenData;
    if (IsEqualGUID(format.container, GUID_ContainerFormatTiff) && !TiffStructureSound(data, size))
        return kSpiBrokenData;
    if (IsEqualGUID(format.container, GUID_ContainerFormatIco) && !IcoFirstPictureSound(data, size))
        return kSpiBrokenData;
    // A GIF's first frame lies on its logical screen, whose size the picture has.
    const bool gif = IsEqualGUID(format.container, GUID_ContainerFormatGif);
    unsigned screenWidth = 0, screenHeight = 0, left = 0, top = 0;
    if (gif) {
        if (!GifFirstFrameSound(data, size, &screenWidth, &screenHeight, &left, &top)) return kSpiBrokenData;
        if (!WithinBudget(screenWidth, screenHeight)) return screenWidth && screenHeight ? kSpiOutOfMemory : kSpiBrokenData;
    }
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
        fullWidth = left + width > screenWidth ? left + width : screenWidth;
        fullHeight = top + height > screenHeight ? top + height : screenHeight;
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
    if (placed)
        for (UINT y = 0; y < height; ++y)
            for (UINT x = 0; x < width; ++x) picture->Row(static_cast<int>(top + y))[left + x] = frameOnly.Row(static_cast<int>(y))[x];
    picture->orientation = Orientation(frame.get(), data, size);
    return kSpiSuccess;
}
