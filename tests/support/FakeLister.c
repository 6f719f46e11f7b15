/* A stand-in for a planted locate.com: writes a fake listing to dll.txt, which
   the real program must never read, since it never runs this file. */
#include <stdio.h>

int main(void) {
  FILE* listing = fopen("dll.txt", "wb");
  if (listing == NULL) return 1;
  fputs("C:\\FAKE\\\r\nPLANTED.DLL  1\r\n     1 file(s) found: 1 folder(s) listed\r\n", listing);
  fclose(listing);
  return 0;
}
