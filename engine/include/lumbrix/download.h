// Download file writers: the engine's entry points, one call per conversion.
// Each returns 0 on success and 1 on failure. The conversions leave g_image empty; image_load
// leaves it holding the pages for its caller to free.
#pragma once

#include "lumbrix/ihex.h"
#include "lumbrix/layout.h"

#include <cstdio>

namespace lumbrix {

// Convert the HEX file `in` (open in text mode) for the part into a download file of `layout`
// on `out` (open in binary mode). Extended address records are used as read. Both streams are
// closed before returning, whatever the result.
int write_download(FILE *in, FILE *out, int part_code, const Layout &layout);
int write_download_type4(FILE *in, FILE *out, int part_code);
int write_download_type6(FILE *in, FILE *out, int part_code);

// The same from paths, opened as download_files_open opens them, with extended address records
// forced into the flash region. A failure to open either file leaves the output untouched.
int convert_file(const char *in_path, const char *out_path, int part_code, const Layout &layout);
// convert_file, telling `watch` (null for none) what the reader sees, so that the dialog can
// say which lines of the HEX file it rejected.
int convert_file_watched(const char *in_path, const char *out_path, int part_code,
                         const Layout &layout, const ReadWatch *watch);
int convert_file_type4(const char *in_path, const char *out_path, int part_code);
int convert_file_type6(const char *in_path, const char *out_path, int part_code);

enum FilesOpened { FILES_OPEN, INPUT_NOT_OPENED, OUTPUT_IS_INPUT, OUTPUT_NOT_OPENED };

// Open the HEX file for reading text, then the download file for writing binary. An output
// that names the input file is refused before it is opened: that would empty the HEX file
// before it is read, and the firmware would be lost. Unless both are open, neither is, and
// errno tells why an open failed.
FilesOpened download_files_open(const char *in_path, const char *out_path, FILE **in, FILE **out);

// True when both paths name one existing file, however spelled.
bool paths_name_same_file(const char *a, const char *b);

// A conversion up to its writing, for a caller that wants the pages rather than the file: read
// `in` through the part's flash window into g_image, which must be empty, and make each of its
// segments the run of whole pages `layout` writes. `watch` (null for none) sees the reading.
// Returns 0, or 1 when `in` could not be read to its end or memory ran out, so that the image
// is not the file's. The caller frees g_image.
int image_load(FILE *in, int part_code, const Layout &layout, bool force_flash_base,
               const ReadWatch *watch);

} // namespace lumbrix
