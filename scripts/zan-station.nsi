; The ZAN station's Windows installer, made by scripts/package-windows.sh from the zip's folder:
;   makensis -DVERSION=1.6 -DSTAGE=<the zip's folder> -DPROGRAM_FILES=<its list>
;     -DOUTFILE=<installer> zan-station.nsi
; where the list holds the uninstaller's Delete and RMDir lines for the folder's files (makensis on
; Linux turns every backslash of a !system command into a slash, so it cannot write them itself).
; It installs for the rider alone, with no administrator rights: the program in
; %LOCALAPPDATA%\Programs\ZAN Station, a Start-menu entry that starts it in the rider's folder
; Documents\ZAN (the station keeps its setup and sessions in the folder it starts in, and finds its
; icons beside itself), and an uninstaller in Windows' list of programs. The rider's folder gets the
; first-run files only where it lacks them, and the uninstaller leaves it as it is. /S installs and
; uninstalls without a window.

!ifndef VERSION | STAGE | PROGRAM_FILES | OUTFILE
  !error "makensis -DVERSION=<version> -DSTAGE=<dir> -DPROGRAM_FILES=<list> -DOUTFILE=<exe>"
!endif

; The station is a 64-bit program: a 64-bit installer, which needs no plugin (Debian's NSIS has
; none for it), sees Windows' own registry and folders.
Target amd64-unicode
SetCompressor /SOLID lzma
ManifestDPIAware true

!define PRODUCT "ZAN Station"
!define UNINSTALL_KEY "Software\Microsoft\Windows\CurrentVersion\Uninstall\${PRODUCT}"
!define RIDER_FOLDER "$DOCUMENTS\ZAN"
!define SHORTCUT "$SMPROGRAMS\${PRODUCT}.lnk"

Name "${PRODUCT} ${VERSION}"
OutFile "${OUTFILE}"
RequestExecutionLevel user
InstallDir "$LOCALAPPDATA\Programs\${PRODUCT}"
; A new version goes where the last one is.
InstallDirRegKey HKCU "${UNINSTALL_KEY}" "InstallLocation"
ShowInstDetails show
ShowUninstDetails show

; Windows writes over and deletes no running program: the station is closed first, or the installer
; and the uninstaller change nothing.
!macro StationClosed
  Delete "$INSTDIR\zan_pc.exe"
  IfFileExists "$INSTDIR\zan_pc.exe" 0 +3
    MessageBox MB_OK|MB_ICONSTOP "The ZAN station is running. Close it, then try again." /SD IDOK
    Abort "The ZAN station is running."
!macroend

Page directory
Page instfiles
UninstPage uninstConfirm
UninstPage instfiles

Section
  !insertmacro StationClosed
  SetOutPath "$INSTDIR"
  File /r /x zan_01.set /x zan_com.set "${STAGE}/*"

  ; The rider's calibration and port are never written over: a new install only starts a folder
  ; that has none.
  SetOutPath "${RIDER_FOLDER}"
  SetOverwrite off
  File "${STAGE}/zan_01.set" "${STAGE}/zan_com.set"
  SetOverwrite on

  ; The shortcut's working folder is the current output folder: the rider's.
  CreateShortcut "${SHORTCUT}" "$INSTDIR\zan_pc.exe"

  WriteUninstaller "$INSTDIR\uninstall.exe"
  WriteRegStr HKCU "${UNINSTALL_KEY}" "DisplayName" "${PRODUCT}"
  WriteRegStr HKCU "${UNINSTALL_KEY}" "DisplayVersion" "${VERSION}"
  WriteRegStr HKCU "${UNINSTALL_KEY}" "Publisher" "ZAN station developers"
  WriteRegStr HKCU "${UNINSTALL_KEY}" "DisplayIcon" "$INSTDIR\zan_pc.exe"
  WriteRegStr HKCU "${UNINSTALL_KEY}" "InstallLocation" "$INSTDIR"
  WriteRegStr HKCU "${UNINSTALL_KEY}" "UninstallString" '"$INSTDIR\uninstall.exe"'
  WriteRegStr HKCU "${UNINSTALL_KEY}" "QuietUninstallString" '"$INSTDIR\uninstall.exe" /S'
  WriteRegDWORD HKCU "${UNINSTALL_KEY}" "NoModify" 1
  WriteRegDWORD HKCU "${UNINSTALL_KEY}" "NoRepair" 1
  SectionGetSize 0 $0
  WriteRegDWORD HKCU "${UNINSTALL_KEY}" "EstimatedSize" $0
SectionEnd

Section Uninstall
  !insertmacro StationClosed
  ; The files the installer put in the program folder, by name, never the folder whole: a rider who
  ; chose a folder of their own, or started the station there, keeps what else is in it.
  !include "${PROGRAM_FILES}"
  Delete "$INSTDIR\uninstall.exe"
  RMDir "$INSTDIR"
  Delete "${SHORTCUT}"
  DeleteRegKey HKCU "${UNINSTALL_KEY}"
SectionEnd
