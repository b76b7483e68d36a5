/* An empty DLL: the media check only reads its version resource. */
__declspec(dllexport) int mediaCheckTestDll(void) { return 0; }
