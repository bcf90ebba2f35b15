/* The public header next to a config.h that defines VERSION, as autotools writes it: the header
   keeps the macro, and the function is reached through QXRP_GetVersion. */
#define VERSION "9.9.9"
#define PACKAGE "shop-till"

#include "QXRP_EPSFPNAT_20.h"

#include <stdio.h>
#include <string.h>

int main(void) {
  static const char kName[] = "QXRP_EPSFPNAT_20";
  QXRP_OLECHAR name[sizeof kName];
  for (size_t i = 0; i < sizeof kName; ++i) name[i] = (QXRP_OLECHAR)kName[i];
  QXRP_BSTR in = SysAllocStringLen(name, (uint32_t)(sizeof kName - 1));
  QXRP_BSTR version = NULL, error = NULL;
  QXRP_RESULT result = QXRP_GetVersion(in, &version, &error);
  char text[128] = "";
  for (uint32_t i = 0; i < SysStringLen(version) && i + 1 < sizeof text; ++i) text[i] = (char)version[i];
  SysFreeString(in);
  SysFreeString(version);
  SysFreeString(error);
  printf("VERSION macro: %s; library: %s\n", VERSION, text);
  if (strcmp(VERSION, "9.9.9") != 0) return 1;
  if (result != 0 || strncmp(text, "Version " QXRP_EPSFPNAT_20_VERSION_STRING " - ", 14) != 0) return 1;
  return 0;
}
