// lumbrix: converts an Intel HEX file into a download file for a Tarvic551X part.
#include "lumbrix/download.h"
#include "lumbrix/layout.h"
#include "lumbrix/parts.h"

#include <cctype>
#include <cerrno>
#include <climits>
#include <cstdio>

using namespace lumbrix;

static const char SUPPORT_EMAIL[] = "lin-support@korvane.com";

// Read a number as "%d" reads it: white space, an optional sign, then digits up to the first
// non-digit; no digit gives 0. A number that does not fit in an int gives 0 too, which is
// neither a part nor a protocol, so that no overflow can turn it into a valid one.
static int read_number(const char *text) {
    while (isspace(static_cast<unsigned char>(*text)))
        ++text;
    bool negative = *text == '-';
    if (*text == '-' || *text == '+')
        ++text;
    long long number = 0;
    for (; isdigit(static_cast<unsigned char>(*text)); ++text) {
        number = number * 10 + (*text - '0');
        if (number > 1LL + INT_MAX)
            return 0;
    }
    if (negative)
        number = -number;
    return number < INT_MIN || number > INT_MAX ? 0 : static_cast<int>(number);
}

static void print_banner() {
    printf("\n>>  Program:  Lumbrix\n>>  Version:  3.0.2");
    printf("\n>>  Date:     14.March.2008\n>>  Email:    %s\n\n", SUPPORT_EMAIL);
}

// Report a failure on stderr; the result is the exit status.
static int fail(const char *format, const char *argument = "") {
    fprintf(stderr, format, argument);
    return 1;
}

static FILE *open_or_report(const char *path, const char *mode) {
    FILE *file = fopen(path, mode);
    if (!file) {
        int error = errno;
        fprintf(stderr, "ERROR  : Error %d opening %s\n\n", error, path);
    }
    return file;
}

int main(int argc, char **argv) {
    print_banner();
    if (argc != 5) {
        fputs("ERROR  : Incorrect number of parameters\n"
              "Syntax : Lumbrix <input hex file> <output binary file> <part> <protocol>\n"
              "Example: Lumbrix C:\\sample.hex C:\\sample.qvr 5516 4\n\n",
              stderr);
        return 1;
    }
    FILE *in = open_or_report(argv[1], "r");
    if (!in)
        return 1;
    if (paths_name_same_file(argv[1], argv[2])) {
        fclose(in);
        return fail("ERROR  : Input and output are the same file: %s\n\n", argv[2]);
    }
    FILE *out = open_or_report(argv[2], "wb");
    if (!out) {
        fclose(in);
        return 1;
    }

    // Both files stay open on the failures below; the exit closes them.
    const Part *part = part_by_console_number(read_number(argv[3]));
    if (!part)
        return fail("ERROR  : Unrecognised <part> Parameter: %s\n\n", argv[3]);

    int result;
    switch (read_number(argv[4]) & 0xFFFF) {
    case TYPE4.protocol:
        result = write_download_type4(in, out, part->code);
        break;
    case TYPE6.protocol:
        result = write_download_type6(in, out, part->code);
        break;
    default:
        return fail("ERROR  : Unrecognised <protocol> Parameter: %s\n\n", argv[4]);
    }

    if (result != 0)
        return fail("ERROR  : Conversion Failed\n\n");
    printf(">>  Conversion Succeeded\n\n");
    return 0;
}
