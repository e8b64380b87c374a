/* The floor of a workbook load: open the compound file with libgsf, read the
 * workbook stream whole, walk its record headers and count the records. No
 * cell is decoded or stored; this is what any reader of the file must do.
 *   floor_xls FILE   prints "<records> <stream bytes>"                      */
#include <gsf/gsf-infile-msole.h>
#include <gsf/gsf-infile.h>
#include <gsf/gsf-input-stdio.h>
#include <gsf/gsf-utils.h>

#include <stdio.h>
#include <stdlib.h>

int main(int argc, char** argv) {
  if (argc != 2) {
    fprintf(stderr, "usage: floor_xls FILE\n");
    return 2;
  }
  GError* error = NULL;
  GsfInput* input = gsf_input_stdio_new(argv[1], &error);
  if (input == NULL) {
    fprintf(stderr, "floor_xls: %s\n", error ? error->message : "cannot open");
    return 2;
  }
  GsfInfile* root = gsf_infile_msole_new(input, &error);
  if (root == NULL) {
    fprintf(stderr, "floor_xls: not a compound file\n");
    return 2;
  }
  GsfInput* stream = gsf_infile_child_by_name(root, "Workbook");
  if (stream == NULL) stream = gsf_infile_child_by_name(root, "Book");
  if (stream == NULL) {
    fprintf(stderr, "floor_xls: no workbook stream\n");
    return 2;
  }
  const size_t size = (size_t)gsf_input_size(stream);
  unsigned char* data = malloc(size ? size : 1);
  if (data == NULL || (size > 0 && gsf_input_read(stream, size, data) == NULL)) {
    fprintf(stderr, "floor_xls: cannot read the stream\n");
    return 2;
  }
  size_t records = 0, pos = 0;
  while (pos + 4 <= size) {
    const size_t length = (size_t)data[pos + 2] | ((size_t)data[pos + 3] << 8);
    pos += 4 + length;
    ++records;
  }
  printf("%zu %zu\n", records, size);
  return 0;
}
