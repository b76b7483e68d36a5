; The per-user Windows installer. Built by installer/make-package.sh, which passes:
;   VERSION  (x.y.z)   EXE  (zirrotone.exe)   LICENSE  ICON   OUTFILE
;   SOUNDS_NSH  (a generated include with the macros InstallSounds and RemoveSounds, and
;                SOUNDS_BYTES, the size of those sounds)
;   PICTURES  (the folder of wizard.bmp and header.bmp)
; No administrator rights: everything goes under the user's profile and HKCU.

; A 64-bit installer for a 64-bit program (and no 32-bit layer needed to run it).
Target amd64-unicode
ManifestDPIAware true
RequestExecutionLevel user
SetCompressor /SOLID lzma
; The same inputs give the same installer: no file times are stored with the files (they
; get the time of the install).
SetDateSave off

!include "MUI2.nsh"
!include "LogicLib.nsh"
!include "FileFunc.nsh"
!include "WinMessages.nsh"
!include "${SOUNDS_NSH}"

!define PRODUCT "Zirrotone"
!define PUBLISHER "the Zirrotone developers"
!define UNINST_KEY "Software\Microsoft\Windows\CurrentVersion\Uninstall\Zirrotone"
!define RUN_KEY "Software\Microsoft\Windows\CurrentVersion\Run"
!define SETTINGS_KEY "Software\Zirrotone"
!define MAIN_CLASS "ZirrotoneMain"

Name "${PRODUCT}"
Caption "${PRODUCT} ${VERSION} Setup"
OutFile "${OUTFILE}"
InstallDir "$LOCALAPPDATA\Programs\Zirrotone"
InstallDirRegKey HKCU "${UNINST_KEY}" "InstallLocation"
BrandingText "${PRODUCT} ${VERSION}"

VIProductVersion "${VERSION}.0"
VIAddVersionKey "ProductName" "${PRODUCT}"
VIAddVersionKey "CompanyName" "${PUBLISHER}"
VIAddVersionKey "LegalCopyright" "Copyright (c) 2026 ${PUBLISHER}"
VIAddVersionKey "FileDescription" "${PRODUCT} setup"
VIAddVersionKey "FileVersion" "${VERSION}"
VIAddVersionKey "ProductVersion" "${VERSION}"

!define MUI_ICON "${ICON}"
!define MUI_UNICON "${ICON}"
!define MUI_ABORTWARNING
; Pictures drawn for 144 DPI; the pages fit them to their picture boxes, which have these
; proportions at every DPI, and so scale them down at lower DPIs.
!define MUI_WELCOMEFINISHPAGE_BITMAP "${PICTURES}\wizard.bmp"
!define MUI_UNWELCOMEFINISHPAGE_BITMAP "${PICTURES}\wizard.bmp"
!define MUI_HEADERIMAGE
!define MUI_HEADERIMAGE_RIGHT
!define MUI_HEADERIMAGE_BITMAP "${PICTURES}\header.bmp"

; A per-user install closes only a running Zirrotone: the stock welcome text about
; closing other applications and system files does not apply.
!define MUI_WELCOMEPAGE_TEXT "Setup will install ${PRODUCT} ${VERSION} for you alone, into your own profile; no administrator rights are needed.$\r$\n$\r$\n${PRODUCT} plays a sound chosen at random from a folder now and then, from the notification area.$\r$\n$\r$\nClick Next to continue."
!insertmacro MUI_PAGE_WELCOME
; The MIT licence asks nothing of someone who only uses the program: shown, not agreed to.
!define MUI_PAGE_HEADER_TEXT "Licence"
!define MUI_PAGE_HEADER_SUBTEXT "The licence ${PRODUCT} comes with."
!define MUI_LICENSEPAGE_TEXT_TOP "Press Page Down to see the rest of the licence."
!define MUI_LICENSEPAGE_BUTTON "$(^NextBtn)"
!define MUI_LICENSEPAGE_TEXT_BOTTOM "${PRODUCT} is free software under this licence. Click Next to continue."
!insertmacro MUI_PAGE_LICENSE "${LICENSE}"
!insertmacro MUI_PAGE_DIRECTORY
!insertmacro MUI_PAGE_INSTFILES
; Both unticked, so that a new user is not surprised by a chime; /START and /RUNATSTARTUP
; tick them (and choose them in a silent install). A Zirrotone that the install closed
; ticks "Start" too: an upgrade leaves it running, as it found it.
!define MUI_FINISHPAGE_RUN
!define MUI_FINISHPAGE_RUN_TEXT "Start ${PRODUCT}"
!define MUI_FINISHPAGE_RUN_FUNCTION StartProgram
!define MUI_FINISHPAGE_RUN_NOTCHECKED
!define MUI_FINISHPAGE_SHOWREADME
!define MUI_FINISHPAGE_SHOWREADME_TEXT "Run at startup"
!define MUI_FINISHPAGE_SHOWREADME_FUNCTION RunAtStartup
!define MUI_FINISHPAGE_SHOWREADME_NOTCHECKED
!define MUI_PAGE_CUSTOMFUNCTION_SHOW FinishShow
!insertmacro MUI_PAGE_FINISH

!insertmacro MUI_UNPAGE_CONFIRM
!define MUI_COMPONENTSPAGE_TEXT_TOP "${PRODUCT} will be removed. Your settings (sound folder, delay, volume) stay unless you tick them below."
!insertmacro MUI_UNPAGE_COMPONENTS
!insertmacro MUI_UNPAGE_INSTFILES

!insertmacro MUI_LANGUAGE "English"

; A Zirrotone that the install closed is started again at its end.
Var WasRunning

; A running Zirrotone holds its exe open. WM_CLOSE makes it save its settings and end,
; as closing its window would.
!macro CLOSE_RUNNING un
Function ${un}CloseRunning
  StrCpy $1 0
  FindWindow $0 "${MAIN_CLASS}" ""
  ${If} $0 == 0
    Return
  ${EndIf}
  StrCpy $WasRunning 1
  ${Do}
    SendMessage $0 ${WM_CLOSE} 0 0 /TIMEOUT=2000
    Sleep 200
    IntOp $1 $1 + 1
    FindWindow $0 "${MAIN_CLASS}" ""
    ${If} $0 == 0
    ${OrIf} $1 >= 50
      ${ExitDo}
    ${EndIf}
  ${Loop}
  ; The window goes before the process has let go of its image.
  Sleep 500
FunctionEnd
!macroend
!insertmacro CLOSE_RUNNING ""
!insertmacro CLOSE_RUNNING "un."

Var StartSwitch
Var RunAtStartupSwitch

Function .onInit
  ${GetParameters} $0
  ClearErrors
  ${GetOptions} $0 "/START" $1
  ${IfNot} ${Errors}
    StrCpy $StartSwitch 1
  ${EndIf}
  ClearErrors
  ${GetOptions} $0 "/RUNATSTARTUP" $1
  ${IfNot} ${Errors}
    StrCpy $RunAtStartupSwitch 1
  ${EndIf}
FunctionEnd

Function FinishShow
  ${If} $StartSwitch == 1
  ${OrIf} $WasRunning == 1
    SendMessage $mui.FinishPage.Run ${BM_SETCHECK} ${BST_CHECKED} 0
  ${EndIf}
  ${If} $RunAtStartupSwitch == 1
    SendMessage $mui.FinishPage.ShowReadme ${BM_SETCHECK} ${BST_CHECKED} 0
  ${EndIf}
FunctionEnd

; The finish page is not shown in a silent install: the switches choose there.
Function .onInstSuccess
  ${If} ${Silent}
    ${If} $RunAtStartupSwitch == 1
      Call RunAtStartup
    ${EndIf}
    ${If} $StartSwitch == 1
    ${OrIf} $WasRunning == 1
      Call StartProgram
    ${EndIf}
  ${EndIf}
FunctionEnd

; A failed install leaves running what was running before it, as far as a program is there.
Function .onInstFailed
  ${If} $WasRunning == 1
  ${AndIf} ${FileExists} "$INSTDIR\zirrotone.exe"
    Call StartProgram
  ${EndIf}
FunctionEnd

; Started from this per-user installer, the program runs as the user, never elevated.
Function StartProgram
  ; The lists open in the working folder: start among the sample sounds.
  SetOutPath "$INSTDIR\sounds"
  Exec '"$INSTDIR\zirrotone.exe"'
FunctionEnd

; The entry exactly as the program's own "Run at startup" writes it.
Function RunAtStartup
  WriteRegStr HKCU "${RUN_KEY}" "zirrotone" '"$INSTDIR\zirrotone.exe"'
FunctionEnd

Section "${PRODUCT}" SecMain
  SectionIn RO
  Call CloseRunning

  SetOutPath "$INSTDIR"
  File "/oname=zirrotone.exe" "${EXE}"
  File "/oname=LICENSE.txt" "${LICENSE}"
  SetOutPath "$INSTDIR\sounds"
  !insertmacro InstallSounds
  WriteUninstaller "$INSTDIR\uninstall.exe"

  ; The shortcut's working folder is the output path at the time: the sounds folder.
  SetOutPath "$INSTDIR\sounds"
  CreateShortCut "$SMPROGRAMS\${PRODUCT}.lnk" "$INSTDIR\zirrotone.exe" "" "$INSTDIR\zirrotone.exe" 0 \
    SW_SHOWNORMAL "" "Plays a random sound from a folder now and then"

  WriteRegStr HKCU "${UNINST_KEY}" "DisplayName" "${PRODUCT}"
  WriteRegStr HKCU "${UNINST_KEY}" "DisplayVersion" "${VERSION}"
  WriteRegStr HKCU "${UNINST_KEY}" "Publisher" "${PUBLISHER}"
  WriteRegStr HKCU "${UNINST_KEY}" "DisplayIcon" "$INSTDIR\zirrotone.exe,0"
  WriteRegStr HKCU "${UNINST_KEY}" "InstallLocation" "$INSTDIR"
  WriteRegStr HKCU "${UNINST_KEY}" "UninstallString" '"$INSTDIR\uninstall.exe"'
  WriteRegStr HKCU "${UNINST_KEY}" "QuietUninstallString" '"$INSTDIR\uninstall.exe" /S'
  WriteRegDWORD HKCU "${UNINST_KEY}" "NoModify" 1
  WriteRegDWORD HKCU "${UNINST_KEY}" "NoRepair" 1
  ; KiB of what the uninstaller removes: the files beside the program (the uninstaller
  ; included) and the sounds installed, not files the user added to the sounds folder.
  ${GetSize} "$INSTDIR" "/S=0B /G=0" $0 $1 $2
  IntOp $0 $0 + ${SOUNDS_BYTES}
  IntOp $0 $0 + 1023
  IntOp $0 $0 / 1024
  WriteRegDWORD HKCU "${UNINST_KEY}" "EstimatedSize" $0

  ; A first install starts with a delay of ten minutes rather than the program's own
  ; fallback of a sound every few seconds; a delay the user already has stays.
  ClearErrors
  ReadRegStr $0 HKCU "${SETTINGS_KEY}\delay" "String"
  ${If} ${Errors}
  ${OrIf} $0 == ""
    WriteRegStr HKCU "${SETTINGS_KEY}\delay" "String" "10"
  ${EndIf}
SectionEnd

Section "un.${PRODUCT}" UnSecMain
  SectionIn RO
  Call un.CloseRunning

  Delete "$INSTDIR\zirrotone.exe"
  Delete "$INSTDIR\LICENSE.txt"
  ; Only the sounds we installed: files the user added stay, and so does their folder.
  !insertmacro RemoveSounds
  RMDir "$INSTDIR\sounds"
  Delete "$INSTDIR\uninstall.exe"
  RMDir "$INSTDIR"
  Delete "$SMPROGRAMS\${PRODUCT}.lnk"

  ; The run-at-logon entry, when it starts this copy (a portable copy keeps its own).
  ReadRegStr $0 HKCU "${RUN_KEY}" "zirrotone"
  ${If} $0 == '"$INSTDIR\zirrotone.exe"'
  ${OrIf} $0 == "$INSTDIR\zirrotone.exe"
    DeleteRegValue HKCU "${RUN_KEY}" "zirrotone"
  ${EndIf}
  DeleteRegKey HKCU "${UNINST_KEY}"
SectionEnd

; Unticked by default, and so never chosen by a silent uninstall.
Section /o "un.My settings" UnSecSettings
  DeleteRegKey HKCU "${SETTINGS_KEY}"
SectionEnd

; The components page shows what the removal frees: the size the install recorded.
Function un.onInit
  ClearErrors
  ReadRegDWORD $0 HKCU "${UNINST_KEY}" "EstimatedSize"
  ${If} ${Errors}
    ${GetSize} "$INSTDIR" "/S=0K" $0 $1 $2
  ${EndIf}
  SectionSetSize ${UnSecMain} $0
FunctionEnd

!insertmacro MUI_UNFUNCTION_DESCRIPTION_BEGIN
  !insertmacro MUI_DESCRIPTION_TEXT ${UnSecMain} "The program, the sample sounds it came with, its Start menu entry and its Run at startup entry."
  !insertmacro MUI_DESCRIPTION_TEXT ${UnSecSettings} "Also forget the settings kept in the registry (HKEY_CURRENT_USER\Software\Zirrotone)."
!insertmacro MUI_UNFUNCTION_DESCRIPTION_END
