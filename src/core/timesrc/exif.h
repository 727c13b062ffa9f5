#pragma once

// A small reader for the EXIF block of a JPEG file: the APP1 segment
// "Exif\0\0" with its TIFF header, IFD0 and the EXIF sub-directory.
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

#include "platform/platform.h"

namespace kdx {

// Bytes in memory as an InputFile (tests, fuzzing, data already loaded).
class MemoryInput final : public InputFile {
public:
    explicit MemoryInput(std::span<const uint8_t> data) : m_data(data) {}
    explicit MemoryInput(std::string_view data) : m_data(reinterpret_cast<const uint8_t*>(data.data()), data.size()) {}
    int64_t readAt(uint64_t offset, void* buffer, size_t size) override;
    uint64_t size() const override { return m_data.size(); }

private:
    std::span<const uint8_t> m_data;
};

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
    // The first read of a file: one read serves almost every photo.
    static constexpr size_t kFirstRead = 64 * 1024;

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
    bool Valid = false;   // an EXIF APP1 segment was found
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
    class Bytes;

    bool readRational(uint64_t offset, uint32_t& numerator, uint32_t& denominator);
    uint16_t word(const uint8_t* p) const;
    uint32_t dword(const uint8_t* p) const;
    bool readDirectory(uint64_t at, bool zeroMeansGuess, bool exifDirectory);
    void takeIfd0Entry(const ExifEntry& e);
    void takeExifEntry(const ExifEntry& e);

    Bytes* m_bytes = nullptr; // the data of the ReadFrom in progress
    uint64_t m_base = 0;      // position of the TIFF header
    uint64_t m_pos = 0;       // read position of ReadEntry
};

} // namespace kdx
