// Download file writers: the engine's entry points, one call per conversion.
// Each returns 0 on success and 1 on failure, and leaves g_image empty.
#pragma once

#include <cstdio>

namespace lumbrix {

// From open streams (input in text mode, output in binary mode). Both streams are closed
// before returning, whatever the result. Extended address records are used as read.
int write_download_type4(FILE *in, FILE *out, int part_code);
int write_download_type6(FILE *in, FILE *out, int part_code);

// True when both paths name one existing file, however spelled. Opening the output would
// then empty the HEX file before it is read, and the firmware would be lost.
bool paths_name_same_file(const char *in_path, const char *out_path);

// From paths. An input that cannot be opened, or an output that names the input file, leaves
// the output untouched. Extended address records are forced into the flash region.
int convert_file_type4(const char *in_path, const char *out_path, int part_code);
int convert_file_type6(const char *in_path, const char *out_path, int part_code);

} // namespace lumbrix
