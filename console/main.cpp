// lumbrix: converts an Intel HEX file into a download file for a Tarvic551X part.
#include "lumbrix/download.h"
#include "lumbrix/layout.h"
#include "lumbrix/parts.h"
#include "lumbrix/product.h"

#include <cctype>
#include <cerrno>
#include <climits>
#include <cstdio>

using namespace lumbrix;

// This program's own version, which its banner gives. It numbers the console program's
// releases, a count kept apart from the product's (the project's version, CMakeLists.txt),
// so the two differ.
static const char PROGRAM_VERSION[] = "3.0.2";

// A HEX file of bad lines gets one message a line, millions of them for the wrong file;
// written unbuffered, each would be a system call of its own and cost many times what a good
// line costs. Standard error is emptied before anything goes to standard output, so that the
// two streams keep their order also where they share one file or pipe.
static char error_buffer[1 << 16];

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
    printf("\n>>  Program:  Lumbrix\n>>  Version:  %s", PROGRAM_VERSION);
    printf("\n>>  Date:     14.March.2008\n>>  Email:    %s\n\n", LUMBRIX_SUPPORT_EMAIL);
    // A file or pipe holds it back otherwise, and the messages would come first.
    fflush(stdout);
}

// Report a failure on stderr; the result is the exit status.
static int fail(const char *format, const char *argument = "") {
    fprintf(stderr, format, argument);
    return 1;
}

// Report a file that could not be opened, with the error number its open left.
static int fail_to_open(const char *path) {
    fprintf(stderr, "ERROR  : Error %d opening %s\n\n", errno, path);
    return 1;
}

int main(int argc, char **argv) {
    setvbuf(stderr, error_buffer, _IOFBF, sizeof error_buffer);
    print_banner();
    if (argc != 5) {
        fputs("ERROR  : Incorrect number of parameters\n"
              "Syntax : Lumbrix <input hex file> <output binary file> <part> <protocol>\n"
              "Example: Lumbrix C:\\sample.hex C:\\sample.qvr 5516 4\n\n",
              stderr);
        return 1;
    }
    FILE *in, *out;
    switch (download_files_open(argv[1], argv[2], &in, &out)) {
    case INPUT_NOT_OPENED:
        return fail_to_open(argv[1]);
    case OUTPUT_IS_INPUT:
        return fail("ERROR  : Input and output are the same file: %s\n\n", argv[2]);
    case OUTPUT_NOT_OPENED:
        return fail_to_open(argv[2]);
    case FILES_OPEN:
        break;
    }

    // Both files stay open on the failures below; the exit closes them.
    const Part *part = part_by_console_number(read_number(argv[3]));
    if (!part)
        return fail("ERROR  : Unrecognised <part> Parameter: %s\n\n", argv[3]);

    const Layout *layout = layout_by_protocol(read_number(argv[4]) & 0xFFFF);
    if (!layout)
        return fail("ERROR  : Unrecognised <protocol> Parameter: %s\n\n", argv[4]);

    if (write_download(in, out, part->code, *layout) != 0)
        return fail("ERROR  : Conversion Failed\n\n");
    fflush(stderr);
    printf(">>  Conversion Succeeded\n\n");
    return 0;
}
