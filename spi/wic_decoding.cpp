#include "wic_decoding.h"
#include <propidl.h>
#include "container_checks.h"
#include "win/susie_plugin.h"
#include "row_reducer.h"
#include "wic_session.h"

namespace {
uint32_t Be32(const unsigned char* p) { return uint32_t(p[0]) << 24 | uint32_t(p[1]) << 16 | uint32_t(p[2]) << 8 | p[3]; }

int ResultOf(HRESULT hr) { return hr == E_OUTOFMEMORY ? kSpiOutOfMemory : kSpiBrokenData; }

// Rows copied at a time when a picture is reduced while it streams.
constexpr UINT kStripBytes = 1u << 20;

// The converted picture's rows, a strip at a time, box-averaged by 2^shift.
int CopyReduced(IWICBitmapSource* source, UINT width, UINT height, int shift, DecodedPicture* picture) {
    RowReducer reducer;
    int result = reducer.Start(picture, static_cast<int>(width), static_cast<int>(height), shift);
    if (result != kSpiSuccess) return result;
    const UINT stride = width * 4;
    const UINT stripRows = stride >= kStripBytes ? 1 : kStripBytes / stride;
    const ProcessHeapBlock<uint32_t> stripBlock(static_cast<size_t>(stride) * stripRows);
    uint32_t* strip = stripBlock.get();
    if (!strip) return kSpiOutOfMemory;
    for (UINT top = 0; top < height && result == kSpiSuccess; top += stripRows) {
        const UINT rows = height - top < stripRows ? height - top : stripRows;
        const WICRect rect{0, static_cast<INT>(top), static_cast<INT>(width), static_cast<INT>(rows)};
        const HRESULT hr = source->CopyPixels(&rect, stride, stride * rows, reinterpret_cast<BYTE*>(strip));
        if (FAILED(hr)) {
            result = ResultOf(hr);
            break;
        }
        for (UINT r = 0; r < rows; ++r) reducer.Add(strip + static_cast<size_t>(width) * r);
    }
    return result;
}

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

// Our own look at the structure before the system's decoder sees the bytes;
// an SpiResult. A size beyond the budget in the header is result 4 however
// the rest looks.
int CheckStructure(const GUID& container, const unsigned char* data, size_t size) {
    if (IsEqualGUID(container, GUID_ContainerFormatPng)) {
        if (size >= 24) {
            const uint32_t w = Be32(data + 16), h = Be32(data + 20);
            if (w && h && !WithinBudget(w, h)) return kSpiOutOfMemory;
        }
        return PngChunksSound(data, size) ? kSpiSuccess : kSpiBrokenData;
    }
    bool sound = true;
    if (IsEqualGUID(container, GUID_ContainerFormatTiff)) sound = TiffStructureSound(data, size);
    if (IsEqualGUID(container, GUID_ContainerFormatIco)) sound = IcoFirstPictureSound(data, size);
    return sound ? kSpiSuccess : kSpiBrokenData;
}
}  // namespace

int DecodeWithSystem(const GUID& container, const unsigned char* data, size_t size, const CoverSize& cover,
                     DecodedPicture* picture) {
    const int checked = CheckStructure(container, data, size);
    if (checked != kSpiSuccess) return checked;
    if (size > 0xFFFFFFFFu) return kSpiOutOfMemory;
    // Without the imaging component or the format's decoder the format is not
    // supported here.
    WicSession session;
    IWICImagingFactory* factory = session.factory();
    if (!factory) return kSpiUnknownFormat;
    ComRef<IWICStream> stream;
    HRESULT hr = factory->CreateStream(stream.out());
    if (FAILED(hr)) return kSpiInternalError;
    if (FAILED(hr = stream->InitializeFromMemory(const_cast<BYTE*>(data), static_cast<DWORD>(size))))
        return ResultOf(hr);
    ComRef<IWICBitmapDecoder> decoder;
    if (FAILED(hr = factory->CreateDecoder(container, nullptr, decoder.out()))) return kSpiUnknownFormat;
    if (FAILED(hr = decoder->Initialize(stream.get(), WICDecodeMetadataCacheOnDemand))) return ResultOf(hr);
    ComRef<IWICBitmapFrameDecode> frame;
    if (FAILED(hr = decoder->GetFrame(0, frame.out()))) return ResultOf(hr);
    UINT width = 0, height = 0;
    if (FAILED(hr = frame->GetSize(&width, &height))) return ResultOf(hr);
    if (!WithinBudget(width, height)) return width && height ? kSpiOutOfMemory : kSpiBrokenData;
    picture->wholeWidth = static_cast<int>(width);
    picture->wholeHeight = static_cast<int>(height);
    picture->orientation = Orientation(frame.get(), data, size);
    const int shift = ReductionShift(width, height, picture->orientation, cover);

    ComRef<IWICFormatConverter> converter;
    if (FAILED(hr = factory->CreateFormatConverter(converter.out()))) return ResultOf(hr);
    if (FAILED(hr = converter->Initialize(frame.get(), GUID_WICPixelFormat32bppBGRA, WICBitmapDitherTypeNone, nullptr,
                                          0.0, WICBitmapPaletteTypeCustom)))
        return ResultOf(hr);
    if (shift) return CopyReduced(converter.get(), width, height, shift, picture);
    const int result = picture->Allocate(width, height);
    if (result != kSpiSuccess) return result;
    const WICRect all{0, 0, static_cast<INT>(width), static_cast<INT>(height)};
    const UINT stride = width * 4;
    if (FAILED(hr = converter->CopyPixels(&all, stride, stride * height, reinterpret_cast<BYTE*>(picture->pixels.get()))))
        return ResultOf(hr);
    return kSpiSuccess;
}
