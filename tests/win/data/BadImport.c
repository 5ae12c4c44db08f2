/* Imports LuAbsentFunction from lusetup-absent-library.dll, which does not exist: the loader can
   neither start this program nor load it as a library. */
__declspec(dllimport) int LuAbsentFunction(void);

int main(void) { return LuAbsentFunction(); }
