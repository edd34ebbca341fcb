/* Parses a settings file with libinih and does nothing with it: the baseline the generator's
   whole run is measured against. Prints the number of values so the work cannot be skipped. */
#include <ini.h>
#include <stdio.h>

static int count_value(void* user, const char* section, const char* name, const char* value) {
    (void)section;
    (void)name;
    (void)value;
    ++*(long*)user;
    return 1;
}

int main(int argc, char** argv) {
    long values = 0;
    if (argc != 2) {
        fprintf(stderr, "usage: inih_parse FILE\n");
        return 2;
    }
    int rc = ini_parse(argv[1], count_value, &values);
    if (rc < 0) {
        fprintf(stderr, "inih_parse: cannot read %s\n", argv[1]);
        return 2;
    }
    printf("%ld values (first error line: %d)\n", values, rc);
    return 0;
}
