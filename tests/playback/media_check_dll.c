/* An empty DLL: the media check only reads its version resource, or without one, looks
   for Media Foundation's entry point. */
__declspec(dllexport) int mediaCheckTestDll(void) { return 0; }
#ifdef ZT_TEST_MF_ENTRY
__declspec(dllexport) long __stdcall MFStartup(unsigned long version, unsigned long flags) {
    return (long)(version & flags & 0);
}
#endif
