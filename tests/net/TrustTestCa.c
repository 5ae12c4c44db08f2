/* Makes a test CA trusted inside the Wine prefix it runs in: adds the DER certificate to the
 * current user's "ROOT" store, after removing the certificates of earlier runs that carry the
 * same subject name, so that the store does not fill up with stale test authorities.
 * Under Wine the local machine's ROOT store is the host's certificate list, rebuilt in memory by
 * every process: what is added there is lost when the helper ends. The current user's ROOT store
 * lives in the prefix's registry, and certificate chains are built against both. (On Windows the
 * same call would ask the user to confirm; this helper is for Wine prefixes of tests.)
 *   trust-test-ca.exe CA.der
 * Exit code 0 on success. */
#include <windows.h>
#include <wincrypt.h>
#include <stdio.h>

int wmain(int argc, wchar_t** argv)
{
    if (argc != 2) {
        fwprintf(stderr, L"usage: trust-test-ca CA.der\n");
        return 2;
    }
    HANDLE file = CreateFileW(argv[1], GENERIC_READ, FILE_SHARE_READ, NULL, OPEN_EXISTING, 0, NULL);
    if (file == INVALID_HANDLE_VALUE) {
        fwprintf(stderr, L"cannot open %ls: %lu\n", argv[1], GetLastError());
        return 1;
    }
    BYTE der[16384];
    DWORD size = 0;
    BOOL read = ReadFile(file, der, sizeof der, &size, NULL);
    CloseHandle(file);
    if (!read || size == 0 || size == sizeof der) {
        fwprintf(stderr, L"cannot read %ls\n", argv[1]);
        return 1;
    }
    PCCERT_CONTEXT cert = CertCreateCertificateContext(X509_ASN_ENCODING, der, size);
    if (!cert) {
        fwprintf(stderr, L"not a DER certificate: %lu\n", GetLastError());
        return 1;
    }
    /* The registry part only: the system store of that name is a collection that also holds the
     * local machine's roots, and an add to the collection may land there. */
    HCERTSTORE root = CertOpenStore(CERT_STORE_PROV_SYSTEM_REGISTRY_W, 0, 0, CERT_SYSTEM_STORE_CURRENT_USER, L"ROOT");
    if (!root) {
        fwprintf(stderr, L"cannot open the ROOT store: %lu\n", GetLastError());
        return 1;
    }
    /* Earlier test authorities of the same name go first. */
    PCCERT_CONTEXT old = NULL;
    while ((old = CertFindCertificateInStore(root, X509_ASN_ENCODING, 0, CERT_FIND_SUBJECT_NAME,
                                             &cert->pCertInfo->Subject, NULL)) != NULL) {
        if (!CertDeleteCertificateFromStore(old)) break; /* frees old */
    }
    BOOL added = CertAddCertificateContextToStore(root, cert, CERT_STORE_ADD_REPLACE_EXISTING, NULL);
    DWORD error = GetLastError();
    CertCloseStore(root, 0);
    CertFreeCertificateContext(cert);
    if (!added) {
        fwprintf(stderr, L"cannot add the certificate: %lu\n", error);
        return 1;
    }
    return 0;
}
