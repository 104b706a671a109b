; Gegu's setup for 64-bit Windows, made with NSIS (makensis 3, MUI2). `./dev package-windows`
; builds it from the folder it packs into the zip:
;
;   makensis -INPUTCHARSET UTF8 -DVERSION=1.2.3 -DFILES=files.nsh -DUNFILES=unfiles.nsh
;            -DOUTFILE=gegu-1.2.3-windows-x64-setup.exe setup.nsi
;
; FILES holds the File lines of every file of that folder, UNFILES their Delete and RMDir
; lines, so that uninstalling removes exactly what was installed and nothing of the user's.
;
; For one user, without administrator rights: into %LOCALAPPDATA%\Programs\Gegu, a shortcut in
; the user's Start menu, the uninstaller under the user's Uninstall key. Silent with /S both
; ways. Installing over an installed Gegu replaces it in place; the user's data
; (%APPDATA%\gegu) is never touched.

Unicode true
Target amd64-unicode
RequestExecutionLevel user
ManifestDPIAware true
!ifndef COMPRESSOR
  !define COMPRESSOR "/SOLID lzma"
!endif
SetCompressor ${COMPRESSOR}

!ifndef VERSION | FILES | UNFILES | OUTFILE
  !error "VERSION, FILES, UNFILES and OUTFILE must be defined"
!endif

!define PRODUCT "Gegu"
!define CHINESE_NAME "个股股东查询"
!define PUBLISHER "The Gegu developers"
!define UNINSTALL_KEY "Software\Microsoft\Windows\CurrentVersion\Uninstall\Gegu"
!define SHORTCUT "$SMPROGRAMS\${CHINESE_NAME}.lnk"

!include MUI2.nsh
!include LogicLib.nsh
!include FileFunc.nsh
!include WinVer.nsh

Name "$(ProductName)"
OutFile "${OUTFILE}"
InstallDir "$LOCALAPPDATA\Programs\Gegu"
; An installed Gegu is replaced where it is.
InstallDirRegKey HKCU "${UNINSTALL_KEY}" "InstallLocation"
BrandingText "${PRODUCT} ${VERSION}"
ShowInstDetails show
ShowUninstDetails show

VIProductVersion "${VERSION}.0"
VIFileVersion "${VERSION}.0"
VIAddVersionKey /LANG=0 "ProductName" "${PRODUCT}"
VIAddVersionKey /LANG=0 "FileDescription" "${CHINESE_NAME} ${PRODUCT} ${VERSION} Setup"
VIAddVersionKey /LANG=0 "CompanyName" "${PUBLISHER}"
VIAddVersionKey /LANG=0 "LegalCopyright" "Copyright (c) 2026 ${PUBLISHER}"
VIAddVersionKey /LANG=0 "FileVersion" "${VERSION}"
VIAddVersionKey /LANG=0 "ProductVersion" "${VERSION}"

!define MUI_ICON "${__FILEDIR__}/../../resources/gegu.ico"
!define MUI_UNICON "${__FILEDIR__}/../../resources/gegu.ico"
!define MUI_ABORTWARNING
!define MUI_FINISHPAGE_RUN "$INSTDIR\gegu.exe"
!define MUI_FINISHPAGE_SHOWREADME "$INSTDIR\使用说明.txt"
!define MUI_FINISHPAGE_SHOWREADME_TEXT "$(ShowGuide)"
!define MUI_FINISHPAGE_SHOWREADME_NOTCHECKED

!insertmacro MUI_PAGE_WELCOME
!insertmacro MUI_PAGE_DIRECTORY
!insertmacro MUI_PAGE_INSTFILES
!insertmacro MUI_PAGE_FINISH
!insertmacro MUI_UNPAGE_CONFIRM
!insertmacro MUI_UNPAGE_INSTFILES

; English first: the pages of a system in neither language.
!insertmacro MUI_LANGUAGE "English"
!insertmacro MUI_LANGUAGE "SimpChinese"

LangString ProductName ${LANG_ENGLISH} "Gegu"
LangString ProductName ${LANG_SIMPCHINESE} "${CHINESE_NAME} Gegu"
LangString ShowGuide ${LANG_ENGLISH} "Show the guide (in Chinese)"
LangString ShowGuide ${LANG_SIMPCHINESE} "查看使用说明"
LangString NeedsWindows10 ${LANG_ENGLISH} "Gegu needs Windows 10 or later."
LangString NeedsWindows10 ${LANG_SIMPCHINESE} "个股股东查询需要 Windows 10 或更高版本。"
LangString CloseGegu ${LANG_ENGLISH} \
  "Gegu is running ($0). Close it, then click Retry; Cancel stops here."
LangString CloseGegu ${LANG_SIMPCHINESE} \
  "个股股东查询正在运行（$0）。请关闭它，然后点击“重试”；点击“取消”则停止。"

; Until none of the programs runs in the folder $R1: a running program's file cannot be replaced
; or removed. Silent, or when the user cancels: the setup ends (exit status 2) without having
; changed anything.
!macro CLOSE_GEGU_FIRST un
Function ${un}CloseGeguIn
  check:
  StrCpy $0 ""
  ${ForEach} $1 0 2 + 1
    ${Select} $1
      ${Case} 0
        StrCpy $2 "gegu.exe"
      ${Case} 1
        StrCpy $2 "gegu-query.exe"
      ${CaseElse}
        StrCpy $2 "gegu-import.exe"
    ${EndSelect}
    ${If} $0 == ""
    ${AndIf} ${FileExists} "$R1\$2"
      ClearErrors
      FileOpen $3 "$R1\$2" a
      ${If} ${Errors}
        StrCpy $0 $2
      ${Else}
        FileClose $3
      ${EndIf}
    ${EndIf}
  ${Next}
  StrCmp $0 "" 0 +2
  Return
  MessageBox MB_RETRYCANCEL|MB_ICONEXCLAMATION "$(CloseGegu)" /SD IDCANCEL IDRETRY check
  SetErrorLevel 2
  Quit
FunctionEnd
!macroend
!insertmacro CLOSE_GEGU_FIRST ""
!insertmacro CLOSE_GEGU_FIRST "un."

; The pages in Chinese wherever Windows speaks Chinese (also Traditional), else in English.
!macro CHOOSE_LANGUAGE
  System::Call 'kernel32::GetUserDefaultUILanguage() i .r0'
  IntOp $0 $0 & 0x3FF
  ${If} $0 = 0x04 ; LANG_CHINESE
    StrCpy $LANGUAGE ${LANG_SIMPCHINESE}
  ${EndIf}
!macroend

Function .onInit
  !insertmacro CHOOSE_LANGUAGE
  ${IfNot} ${AtLeastWin10}
    MessageBox MB_OK|MB_ICONSTOP "$(NeedsWindows10)" /SD IDOK
    Quit
  ${EndIf}
FunctionEnd

Function un.onInit
  !insertmacro CHOOSE_LANGUAGE
FunctionEnd

Section "Gegu"
  ; Where Gegu is installed already (also where the user chose another folder this time).
  ReadRegStr $R2 HKCU "${UNINSTALL_KEY}" "InstallLocation"
  StrCpy $R1 $INSTDIR
  Call CloseGeguIn
  ${If} $R2 != ""
  ${AndIf} $R2 != $INSTDIR
    StrCpy $R1 $R2
    Call CloseGeguIn
  ${EndIf}
  ; An installed Gegu goes first, by its own uninstaller, so that none of its files outlives it;
  ; its folder, with whatever of the user's is in it, stays.
  ${If} $R2 != ""
  ${AndIf} ${FileExists} "$R2\Uninstall.exe"
    ExecWait '"$R2\Uninstall.exe" /S _?=$R2'
    ${If} $R2 != $INSTDIR
      Delete "$R2\Uninstall.exe"
      RMDir "$R2"
    ${EndIf}
  ${EndIf}
  !include "${FILES}"
  SetOutPath "$INSTDIR"
  WriteUninstaller "$INSTDIR\Uninstall.exe"
  ; Started from the shortcut, Gegu's current folder is the one it is installed in.
  CreateShortcut "${SHORTCUT}" "$INSTDIR\gegu.exe" "" "$INSTDIR\gegu.exe" 0 SW_SHOWNORMAL "" \
    "$(ProductName)"

  WriteRegStr HKCU "${UNINSTALL_KEY}" "DisplayName" "${CHINESE_NAME} Gegu"
  WriteRegStr HKCU "${UNINSTALL_KEY}" "DisplayVersion" "${VERSION}"
  WriteRegStr HKCU "${UNINSTALL_KEY}" "Publisher" "${PUBLISHER}"
  WriteRegStr HKCU "${UNINSTALL_KEY}" "DisplayIcon" "$INSTDIR\gegu.exe,0"
  WriteRegStr HKCU "${UNINSTALL_KEY}" "InstallLocation" "$INSTDIR"
  WriteRegStr HKCU "${UNINSTALL_KEY}" "UninstallString" '"$INSTDIR\Uninstall.exe"'
  WriteRegStr HKCU "${UNINSTALL_KEY}" "QuietUninstallString" '"$INSTDIR\Uninstall.exe" /S'
  WriteRegDWORD HKCU "${UNINSTALL_KEY}" "NoModify" 1
  WriteRegDWORD HKCU "${UNINSTALL_KEY}" "NoRepair" 1
  ${GetSize} "$INSTDIR" "/S=0K" $0 $1 $2
  WriteRegDWORD HKCU "${UNINSTALL_KEY}" "EstimatedSize" "$0"
SectionEnd

; Removes what the setup put there and nothing else: files of the user's own in the folder keep
; it, and the user's data (%APPDATA%\gegu) stays.
Section "Uninstall"
  StrCpy $R1 $INSTDIR
  Call un.CloseGeguIn
  !include "${UNFILES}"
  Delete "$INSTDIR\Uninstall.exe"
  RMDir "$INSTDIR"
  Delete "${SHORTCUT}"
  DeleteRegKey HKCU "${UNINSTALL_KEY}"
SectionEnd
