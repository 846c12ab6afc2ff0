/* A plain C99 user of the library: prints the version record and checks it field by field. */
#include <stdio.h>
#include <string.h>

#include <voksc.h>

int main(void) {
    const VokLibraryVersion* v = vokscGetLibVersion();
    int failures = 0;
    Vok16s a[4] = {3, -3, 200, 7};
    Vok16s b[4] = {1, 1, 200, 0};
    Vok16s d[4];
    printf("%d.%d.%d revision %d cpu \"%s\" name \"%s\" version \"%s\" built \"%s\"\n", v->major,
           v->minor, v->patch, v->revision, v->cpuCode, v->name, v->version, v->buildDate);
    if (v != vokscGetLibVersion()) failures++;
    if (v->major != 8 || v->minor != 0 || v->patch != 1 || v->revision != 40318) failures++;
    if (memcmp(v->cpuCode, "r6\0\0", 4) != 0) failures++;
    if (strcmp(v->name, "vokSC AVX2 (r6)") != 0) failures++;
    if (strcmp(v->version, "8.0.1 (r40318)") != 0) failures++;
    if (strcmp(v->buildDate, "Jul 11 2013") != 0) failures++;
    /* 3 * 1 and -3 * 1 at scale factor 1 round to 2 and -1; 200 * 200 saturates at sf 0. */
    if (voksMul_NR_16s_Sfs(a, b, d, 2, 1) != vokStatusOk || d[0] != 2 || d[1] != -1) failures++;
    if (voksMul_NR_16s_Sfs(a + 2, b + 2, d, 1, 0) != vokStatusOk || d[0] != 32767) failures++;
    if (voksMul_NR_16s_Sfs(NULL, b, d, 1, 0) != vokStatusNullPtr) failures++;
    if (failures) fprintf(stderr, "%d check(s) failed\n", failures);
    return failures ? 1 : 0;
}
