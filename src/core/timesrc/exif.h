#pragma once

// A small reader for the EXIF block of a JPEG file: the APP1 segment
// "Exif\0\0" with its TIFF header, IFD0 and the EXIF sub-directory. The
// same walk of the TIFF structure serves the other files that hold one (TIFF
// and camera raw files, and the EXIF blocks of other containers).
//
// The reader works on bytes (any InputFile: an open file or bytes in memory),
// so it can be tested and fuzzed without files. Numbers are decoded in the
// byte order the file declares, whatever the host's. Every offset, count and
// length is checked against the data before it is read, and the work done per
// file is bounded, so damaged or hostile data neither crashes nor hangs it.

#include <cstddef>
#include <cstdint>
#include <span>
#include <string>
#include <string_view>

#include "core/timesrc/byte_window.h"

namespace kdx {

// One directory entry in host order: tag, type, count and the value field.
// For BYTE and SHORT types the value holds only what the reader keeps of it
// (see TExif::ReadEntry).
struct ExifEntry {
    uint16_t tag = 0;
    uint16_t type = 0;
    uint32_t count = 0;
    uint32_t value = 0;
};

// Reverses the four bytes of a value.
constexpr uint32_t SwapLong(uint32_t v) {
    return (v >> 24) | ((v >> 8) & 0x0000FF00u) | ((v << 8) & 0x00FF0000u) | (v << 24);
}
constexpr uint16_t SwapWord(uint16_t v) {
    return static_cast<uint16_t>((v >> 8) | (v << 8));
}

// Description texts of the coded values.
std::string_view OrientationDescription(unsigned code);
std::string_view ExposureProgramDescription(unsigned code);
std::string_view MeteringModeDescription(unsigned code);
std::string_view LightSourceDescription(unsigned code);
std::string_view FlashDescription(unsigned code);

class TExif {
public:
    static constexpr size_t kFirstRead = ByteWindow::kFirstRead;

    TExif() { Clear(); }
    TExif(const TExif&) = delete;
    TExif& operator=(const TExif&) = delete;

    // --- values ----------------------------------------------------------
    std::string ImageDescription;
    std::string Make;
    std::string Model;
    uint8_t Orientation = 0;
    std::string OrientationText;
    std::string Rights;
    bool Valid = false;   // an EXIF APP1 segment (or other TIFF data) was found
    std::string DateTime; // "YYYY:MM:DD HH:MM:SS" as stored
    std::string DateTimeOriginal;
    std::string DateTimeDigitized;
    std::string UserComment;
    std::string ExposureTime; // "1/250 seconds"
    std::string FNumber;      // "2.8"
    std::string ShutterSpeed; // "1/128 seconds"
    std::string Aperture;
    std::string MaxAperture;
    uint8_t ExposureProgram = 0;
    std::string ExposureProgramText;
    int32_t ExifImageWidth = 0;
    int32_t ExifImageHeight = 0;
    int32_t XResolution = 0; // numerators only
    int32_t YResolution = 0;
    uint8_t MeteringMode = 0;
    std::string MeteringModeText;
    uint8_t LightSource = 0;
    std::string LightSourceText;
    uint8_t Flash = 0;
    std::string FlashText;
    uint16_t ISOSpeed = 0;
    std::string Software;
    std::string Artist;
    std::string CompressedBPP;
    uint32_t ExifIFDOffset = 0; // relative to the TIFF header
    bool BigEndian = false;     // the TIFF header says "MM"

    // --- reading ---------------------------------------------------------
    // Clears the values, then fills them from source. Returns false when the
    // data ends (or is damaged) inside a structure that must be read whole:
    // the markers, the TIFF header, an entry count or an entry; the values
    // are then not to be used. Without an EXIF segment it returns true with
    // Valid false. firstRead is the size of the first read (tests use small
    // ones to exercise the reads further on).
    bool ReadFrom(InputFile& source, size_t firstRead = kFirstRead);
    // The same from the file at path; false, with the values untouched, when
    // it cannot be opened as a regular file.
    bool ReadFromFile(const std::string& path);

    // The two parts of ReadFrom, for files that hold a JPEG or TIFF data
    // somewhere inside; neither clears the values first, so the parts of one
    // block kept apart can be read into one reader. Results as ReadFrom's.
    // The JPEG whose start-of-image marker is at origin of bytes:
    bool ReadJpeg(ByteWindow& bytes, uint64_t origin);
    // TIFF data at base of bytes: the header, IFD0 and the EXIF
    // sub-directory, or with firstIsExif a first directory that is the EXIF
    // sub-directory itself. Sets Valid.
    bool ReadTiff(ByteWindow& bytes, uint64_t base, bool firstIsExif = false);

    // The operations below read from the source of the ReadFrom in progress
    // and find nothing outside it. Offsets are absolute positions in the
    // data (TIFF header position + the entry's value).

    // The 12 bytes at the read position as one entry, in host order; the
    // read position moves past it. False when the data ends first.
    bool ReadEntry(ExifEntry& entry);
    // The text at offset: up to count - 1 bytes (at least one), ending early
    // at a NUL, trailing blanks and control characters removed. Empty when it
    // runs past the end of the data.
    std::string ReadStringAt(uint64_t offset, uint32_t count);
    // The 32-bit value at offset; 0 when it cannot be read.
    uint32_t ReadLongAt(uint64_t offset);
    // The unsigned rational at offset as text: with decimal, "2.8" or "4.0";
    // otherwise "10/1250" unreduced, and "0" for a denominator of 1000000.
    // Empty for a zero denominator or past the end of the data.
    std::string ReadRationalText(uint64_t offset, bool decimal);
    // Numerator / denominator; 0 when it cannot be read or divided.
    double ReadRationalValue(uint64_t offset);

    // Empties every text and zeroes every number and flag.
    void Clear();

private:
    bool readRational(uint64_t offset, uint32_t& numerator, uint32_t& denominator);
    uint16_t word(const uint8_t* p) const;
    uint32_t dword(const uint8_t* p) const;
    bool readTiff(uint64_t base, bool firstIsExif);
    bool readDirectory(uint64_t at, bool zeroMeansGuess, bool exifDirectory);
    void takeIfd0Entry(const ExifEntry& e);
    void takeExifEntry(const ExifEntry& e);

    ByteWindow* m_bytes = nullptr; // the data of the reading in progress
    uint64_t m_base = 0;           // position of the TIFF header
    uint64_t m_pos = 0;            // read position of ReadEntry
};

} // namespace kdx
