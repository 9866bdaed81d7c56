// FakeShellViews.h - a shell whose open folder windows and views a test sets,
// and which records what the program asked of them. Views are used from rule
// threads, so everything goes through one lock.
#pragma once

#include "engine/ShellFolderViews.h"

#include <windows.h>

#include <stdio.h>

#include <string>
#include <vector>

struct FakeFolderWindow {
    HWND window = nullptr;
    std::wstring parsingName;   // what the window list reports
    std::string path;           // file-system path; empty: none
    int32_t viewMode = 1, iconSize = 16;
    std::vector<SortColumnState> sortColumns;
    bool viewModeFails = false, sortCountFails = false, sortColumnsFails = false;
    // What the program set, in order: "view <mode> <size>", "sort <n> <property> <direction>".
    std::vector<std::string> changes;
};

class FakeShellViews : public ShellFolderViews {
public:
    FakeShellViews() { InitializeCriticalSection(&lock_); }
    ~FakeShellViews() override { DeleteCriticalSection(&lock_); }

    void Add(const FakeFolderWindow& w)
    {
        Lock hold(this);
        windows_.push_back(w);
    }
    // The window list reports failure after visiting this many windows (-1: never).
    void FailListAfter(int visited)
    {
        Lock hold(this);
        failAfter_ = visited;
    }
    std::vector<std::string> Changes(HWND window)
    {
        Lock hold(this);
        FakeFolderWindow* w = Find(window);
        return w ? w->changes : std::vector<std::string>();
    }
    int ListCalls()
    {
        Lock hold(this);
        return listCalls_;
    }
    // Views asked for, of any window.
    int OpenCalls()
    {
        Lock hold(this);
        return openCalls_;
    }

    bool ForEachFolderWindow(FolderNameVisitor visit, void* context) override
    {
        std::vector<std::wstring> names;
        int failAfter;
        {
            Lock hold(this);
            listCalls_++;
            for (const FakeFolderWindow& w : windows_) names.push_back(w.parsingName);
            failAfter = failAfter_;
        }
        for (size_t i = 0; i < names.size(); i++) {
            if (failAfter >= 0 && (int)i >= failAfter) return false;
            visit(context, names[i].c_str());
        }
        return failAfter < 0;
    }

    FolderView* OpenFolderView(HWND window) override
    {
        Lock hold(this);
        openCalls_++;
        return Find(window) ? new View(this, window) : nullptr;
    }

private:
    struct Lock {
        explicit Lock(FakeShellViews* f) : f_(f) { EnterCriticalSection(&f_->lock_); }
        ~Lock() { LeaveCriticalSection(&f_->lock_); }
        FakeShellViews* f_;
    };

    class View : public FolderView {
    public:
        View(FakeShellViews* owner, HWND window) : owner_(owner), window_(window) {}
        void Release() override { delete this; }
        bool GetViewMode(int32_t* mode, int32_t* size) override
        {
            Lock hold(owner_);
            FakeFolderWindow* w = owner_->Find(window_);
            if (!w || w->viewModeFails) return false;
            *mode = w->viewMode;
            *size = w->iconSize;
            return true;
        }
        bool SetViewMode(int32_t mode, int32_t size) override
        {
            Lock hold(owner_);
            FakeFolderWindow* w = owner_->Find(window_);
            if (!w) return false;
            w->viewMode = mode;
            w->iconSize = size;
            w->changes.push_back("view " + std::to_string(mode) + " " + std::to_string(size));
            return true;
        }
        bool GetSortColumnCount(int32_t* count) override
        {
            Lock hold(owner_);
            FakeFolderWindow* w = owner_->Find(window_);
            if (!w || w->sortCountFails) return false;
            *count = (int32_t)w->sortColumns.size();
            return true;
        }
        bool GetSortColumns(SortColumnState* columns, int32_t count) override
        {
            Lock hold(owner_);
            FakeFolderWindow* w = owner_->Find(window_);
            if (!w || w->sortColumnsFails || count < 1 || (size_t)count > w->sortColumns.size()) return false;
            for (int32_t i = 0; i < count; i++) columns[i] = w->sortColumns[i];
            return true;
        }
        bool SetSortColumns(const SortColumnState* columns, int32_t count) override
        {
            Lock hold(owner_);
            FakeFolderWindow* w = owner_->Find(window_);
            if (!w || count < 1) return false;
            w->sortColumns.assign(columns, columns + count);
            std::string change = "sort " + std::to_string(count);
            for (int32_t i = 0; i < count; i++)
                change += " " + std::to_string(columns[i].propertyId) + " " + std::to_string(columns[i].direction);
            w->changes.push_back(change);
            return true;
        }
        bool GetFolderPath(char* path, size_t size) override
        {
            Lock hold(owner_);
            FakeFolderWindow* w = owner_->Find(window_);
            if (!w || w->path.empty() || size == 0) return false;
            snprintf(path, size, "%s", w->path.c_str());
            return true;
        }

    private:
        ~View() override {}
        FakeShellViews* owner_;
        HWND window_;
    };

    FakeFolderWindow* Find(HWND window)
    {
        for (FakeFolderWindow& w : windows_)
            if (w.window == window) return &w;
        return nullptr;
    }

    CRITICAL_SECTION lock_;
    std::vector<FakeFolderWindow> windows_;
    int failAfter_ = -1;
    int listCalls_ = 0;
    int openCalls_ = 0;
};
