// Setup.cpp - installs PanelShepherd: program folder, its Init folder and the
// installation record.
//
//   PanelShepherdSetup /source <folder> /target <folder> [/datafolder <folder>] [/appenduser]
//   PanelShepherdSetup /uninstall
#include "installer/InstallRegistry.h"

#include "framework/core/TextUtil.h"

#include <stdio.h>
#include <string.h>
#include <windows.h>

static const char kProduct[] = "PanelShepherd";

static bool CopyFolderTree(const char* from, const char* to)
{
    CreateDirectoryA(to, nullptr);
    char pattern[MAX_PATH];
    if (!FormatText(pattern, sizeof(pattern), "%s\\*", from)) return false;
    WIN32_FIND_DATAA fd;
    HANDLE find = FindFirstFileA(pattern, &fd);
    if (find == INVALID_HANDLE_VALUE) return true;   // empty or missing: nothing to copy
    bool ok = true;
    do {
        if (!strcmp(fd.cFileName, ".") || !strcmp(fd.cFileName, "..")) continue;
        char src[MAX_PATH], dst[MAX_PATH];
        if (!FormatText(src, sizeof(src), "%s\\%s", from, fd.cFileName) ||
            !FormatText(dst, sizeof(dst), "%s\\%s", to, fd.cFileName)) {
            ok = false;
            continue;
        }
        if (fd.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY)
            ok = CopyFolderTree(src, dst) && ok;
        else
            ok = CopyFileA(src, dst, FALSE) && ok;
    } while (FindNextFileA(find, &fd));
    FindClose(find);
    return ok;
}

static bool MakeFolderPath(const char* path)
{
    char work[MAX_PATH];
    if (!CopyText(work, sizeof(work), path)) return false;
    for (char* p = work + 3; *p; p++) {
        if (*p == '\\') {
            *p = '\0';
            CreateDirectoryA(work, nullptr);
            *p = '\\';
        }
    }
    CreateDirectoryA(work, nullptr);
    return GetFileAttributesA(work) != INVALID_FILE_ATTRIBUTES;
}

int main(int argc, char** argv)
{
    const char* source = nullptr;
    const char* target = nullptr;
    const char* dataFolder = nullptr;
    bool appendUser = false;
    for (int i = 1; i < argc; i++) {
        if (!_stricmp(argv[i], "/uninstall")) {
            long rc = RemoveInstallRecordValue(kProduct);
            if (rc) fprintf(stderr, "setup: cannot remove the installation record (%ld)\n", rc);
            return rc ? 1 : 0;
        } else if (!_stricmp(argv[i], "/source") && i + 1 < argc) {
            source = argv[++i];
        } else if (!_stricmp(argv[i], "/target") && i + 1 < argc) {
            target = argv[++i];
        } else if (!_stricmp(argv[i], "/datafolder") && i + 1 < argc) {
            dataFolder = argv[++i];
        } else if (!_stricmp(argv[i], "/appenduser")) {
            appendUser = true;
        } else {
            fprintf(stderr, "setup: unknown argument %s\n", argv[i]);
            return 2;
        }
    }
    if (!source || !target) {
        fprintf(stderr, "usage: PanelShepherdSetup /source <folder> /target <folder> "
                        "[/datafolder <folder>] [/appenduser] | /uninstall\n");
        return 2;
    }
    if (!MakeFolderPath(target)) {
        fprintf(stderr, "setup: cannot create %s\n", target);
        return 1;
    }
    char from[MAX_PATH], to[MAX_PATH];
    FormatText(from, sizeof(from), "%s\\PanelShepherd.exe", source);
    FormatText(to, sizeof(to), "%s\\PanelShepherd.exe", target);
    if (!CopyFileA(from, to, FALSE)) {
        fprintf(stderr, "setup: cannot copy %s (%lu)\n", from, GetLastError());
        return 1;
    }
    FormatText(from, sizeof(from), "%s\\Init", source);
    FormatText(to, sizeof(to), "%s\\Init", target);
    if (!CopyFolderTree(from, to)) {
        fprintf(stderr, "setup: cannot copy the Init folder\n");
        return 1;
    }
    InstallRecord record;
    MakeInstallRecord(&record, target, dataFolder, appendUser);
    long rc = WriteInstallRecordValue(kProduct, &record, sizeof(record));
    if (rc) {
        fprintf(stderr, "setup: cannot write the installation record (%ld)\n", rc);
        return 1;
    }
    printf("setup: installed in %s\n", target);
    printf("setup: installation record HKLM\\%s\\%s: %lu bytes\n", INSTALL_RECORD_KEY, kProduct,
           ReadInstallRecordSize(kProduct));
    return 0;
}
