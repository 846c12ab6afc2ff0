/* A first look at the library from C: the version record, the kernel path in use and a few
 * operations on a short block. */
#include <stdio.h>

#include <voksc.h>

int main(void) {
    const VokLibraryVersion* v = vokscGetLibVersion();
    Vok16s block[8] = {0x1234, -0x0800, 0x0100, 0, -1, 0x0321, -0x1000, 0x0042};
    Vok16s coef[8] = {4096, -8000, 6000, -3000, 1500, -700, 300, -100};
    Vok16s weighted[8];
    Vok32s dot = 0;
    int scale = 0, dotScale = 0, i;

    printf("voksc %d.%d.%d (revision %d), %s, version \"%s\", built %s\n", v->major, v->minor, v->patch,
           v->revision, v->name, v->version, v->buildDate);

    /* Normalise the block to use the full 16-bit range. */
    if (voksAutoScale_16s_I(block, 8, &scale) != vokStatusOk) return 1;
    printf("auto-scale: shifted left by %d:", scale);
    for (i = 0; i < 8; i++) printf(" %d", block[i]);
    printf("\n");

    /* Bandwidth expansion of LP coefficients: coefficient k times 0.94^k (Q15). */
    if (voksMulPowerC_NR_16s_Sfs(coef, 30802, weighted, 8, 15) != vokStatusOk) return 1;
    printf("coefficients x 0.94^k:");
    for (i = 0; i < 8; i++) printf(" %d", weighted[i]);
    printf("\n");

    if (voksDotProdAutoScale_16s32s_Sfs(block, weighted, 8, &dot, &dotScale) != vokStatusOk) return 1;
    printf("doubled dot product: %d x 2^%d\n", dot, dotScale);
    return 0;
}
