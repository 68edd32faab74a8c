// JPEG through libjpeg-turbo, reduced in the DCT domain (1/2, 1/4, 1/8) and,
// past 1/8, box-averaged further while the rows stream: a picture of any
// size a camera makes is read in memory for the reduced picture and a few
// rows (progressive files also keep their coefficients, as every decoder
// must). libjpeg reports errors by longjmp, which only unwinds the decoder's
// own state here: everything that needs freeing is held by the Decoding
// record, which outlives the jump.
#include <csetjmp>
#include <cstdio>
#include "container_checks.h"
#include "own_readers.h"
#include "win/susie_plugin.h"
#include "row_reducer.h"
#include "jpeglib.h"
#include "jerror.h"

namespace {
// The most the decoder may take for itself (a progressive picture's
// coefficients); more ends in result 4 before it is taken.
constexpr long kDecoderMemory = 512L * 1024 * 1024;
// A picture beyond the budget is read only from a file holding at least one
// byte per 512 pixels (a bit per 8 x 8 block, less than any camera writes),
// so that a bogus frame size in a small file is refused, not decoded.
constexpr uint64_t kPixelsPerByteBeyondBudget = 512;
// The DCT reduces by 2^3 at most.
constexpr int kMaxDctShift = 3;
// A progressive file of a few kilobytes can name scan after scan, each of
// which costs a pass over every coefficient; encoders write about ten.
constexpr int kMaxScans = 500;

struct ErrorTrap {
    jpeg_error_mgr manager;
    jmp_buf jump;
};

void OnError(j_common_ptr decoder) { longjmp(reinterpret_cast<ErrorTrap*>(decoder->err)->jump, 1); }
// Warnings (corrupt data the decoder can go past) are not printed anywhere.
void OnMessage(j_common_ptr, int) {}
void OnOutput(j_common_ptr) {}

void CountScans(j_common_ptr decoder) {
    if (reinterpret_cast<j_decompress_ptr>(decoder)->input_scan_number > kMaxScans) {
        decoder->err->msg_code = JERR_BAD_PROGRESSION;
        decoder->err->error_exit(decoder);
    }
}

// Structure first: the segments up to the scan are whole and the data ends in
// its marker; a frame beyond the budget needs a file large enough to hold it.
int CheckJpeg(const unsigned char* data, size_t size, DecodedPicture* picture) {
    unsigned w = 0, h = 0;
    const bool sound = JpegSegmentsSound(data, size, &w, &h);
    picture->wholeWidth = static_cast<int>(w);
    picture->wholeHeight = static_cast<int>(h);
    if (w && h && !WithinBudget(w, h) && uint64_t{w} * h / kPixelsPerByteBeyondBudget > size) return kSpiOutOfMemory;
    return sound ? kSpiSuccess : kSpiBrokenData;
}

// C, M, Y and K as stored (Adobe files store them inverted) to BGRA.
void CmykToBgra(const unsigned char* cmyk, int width, bool inverted, uint32_t* out) {
    for (int x = 0; x < width; ++x, cmyk += 4) {
        unsigned c = cmyk[0], m = cmyk[1], y = cmyk[2], k = cmyk[3];
        if (!inverted) c = 255 - c, m = 255 - m, y = 255 - y, k = 255 - k;
        out[x] = Bgra((c * k + 127) / 255, (m * k + 127) / 255, (y * k + 127) / 255);
    }
}

struct Decoding {
    jpeg_decompress_struct decoder{};
    ErrorTrap trap{};
    jpeg_progress_mgr progress{};
    bool created = false;
    RowReducer reducer;
    ProcessHeapBlock<uint32_t> row;        // one scaled row, when the box stage needs it
    ProcessHeapBlock<unsigned char> cmyk;  // one scaled CMYK row

    ~Decoding() {
        if (created) jpeg_destroy_decompress(&decoder);
    }

    int Failure() const {
        const int code = trap.manager.msg_code;
        return code == JERR_OUT_OF_MEMORY || code == JERR_NO_BACKING_STORE ? kSpiOutOfMemory : kSpiBrokenData;
    }

    // Everything libjpeg may jump out of.
    int Run(const unsigned char* data, size_t size, const CoverSize& cover, int orientation, DecodedPicture* picture) {
        decoder.err = jpeg_std_error(&trap.manager);
        trap.manager.error_exit = OnError;
        trap.manager.emit_message = OnMessage;
        trap.manager.output_message = OnOutput;
        jpeg_create_decompress(&decoder);
        created = true;
        decoder.mem->max_memory_to_use = kDecoderMemory;
        progress.progress_monitor = CountScans;
        decoder.progress = &progress;
        jpeg_mem_src(&decoder, data, static_cast<unsigned long>(size));
        if (jpeg_read_header(&decoder, TRUE) != JPEG_HEADER_OK) return kSpiBrokenData;
        picture->wholeWidth = static_cast<int>(decoder.image_width);
        picture->wholeHeight = static_cast<int>(decoder.image_height);
        picture->orientation = orientation;
        const int shift = ReductionShift(decoder.image_width, decoder.image_height, orientation, cover);
        const int dctShift = shift < kMaxDctShift ? shift : kMaxDctShift;
        decoder.scale_num = 1;
        decoder.scale_denom = 1u << dctShift;
        const bool fourChannels = decoder.jpeg_color_space == JCS_CMYK || decoder.jpeg_color_space == JCS_YCCK;
        decoder.out_color_space = fourChannels ? JCS_CMYK : JCS_EXT_BGRA;
        jpeg_start_decompress(&decoder);
        const int width = static_cast<int>(decoder.output_width), height = static_cast<int>(decoder.output_height);
        const int boxShift = shift - dctShift;
        int result = boxShift ? reducer.Start(picture, width, height, boxShift) : picture->Allocate(width, height);
        if (result != kSpiSuccess) return result;
        // The last scaled column and row stand for what is left of the picture.
        const int unit = 1 << dctShift;
        if (boxShift)
            reducer.WeighEdges(unit, static_cast<int>(decoder.image_width) - (width - 1) * unit,
                               static_cast<int>(decoder.image_height) - (height - 1) * unit);
        if (boxShift && !(row = ProcessHeapBlock<uint32_t>(size_t{4} * width))) return kSpiOutOfMemory;
        if (fourChannels && !(cmyk = ProcessHeapBlock<unsigned char>(size_t{4} * width))) return kSpiOutOfMemory;
        while (decoder.output_scanline < decoder.output_height) {
            const int y = static_cast<int>(decoder.output_scanline);
            uint32_t* target = boxShift ? row.get() : picture->Row(y);
            JSAMPROW line = fourChannels ? cmyk.get() : reinterpret_cast<JSAMPROW>(target);
            if (jpeg_read_scanlines(&decoder, &line, 1) != 1) return kSpiBrokenData;
            if (fourChannels) CmykToBgra(cmyk.get(), width, decoder.saw_Adobe_marker, target);
            if (boxShift) reducer.Add(row.get());
        }
        jpeg_finish_decompress(&decoder);
        return kSpiSuccess;
    }
};
}  // namespace

int ReadJpeg(const unsigned char* data, size_t size, const CoverSize& cover, DecodedPicture* picture) {
    picture->orientation = ExifOrientation(data, size);
    const int checked = CheckJpeg(data, size, picture);
    if (checked != kSpiSuccess) return checked;
    if (size > 0xFFFFFFFFu) return kSpiOutOfMemory;
    const int orientation = picture->orientation;
    Decoding decoding;
    if (setjmp(decoding.trap.jump)) return decoding.Failure();
    return decoding.Run(data, size, cover, orientation, picture);
}
