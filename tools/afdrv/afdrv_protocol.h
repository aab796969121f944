/* afdrv_protocol.h: what afdrv.sys (the audio effect test driver of the Wine
 * end-to-end tests) and afctl.exe (its control tool) agree on. Plain C, so both the
 * driver and the tool include it. Test equipment, never shipped. */
#ifndef AFDRV_PROTOCOL_H
#define AFDRV_PROTOCOL_H

/* The effect channel, as the camera's audio driver offers it. */
#define AF_IOCTL_SET_EFFECT 0x220004u /* FILE_DEVICE_UNKNOWN, function 1, METHOD_BUFFERED */
#define AF_IOCTL_GET_EFFECT 0x220008u /* FILE_DEVICE_UNKNOWN, function 2, METHOD_BUFFERED */
#define AF_BLOCK_SIZE 12u
#define AF_EFFECT_AEC 1u
#define AF_EFFECT_NS 2u
#define AF_EFFECT_BF 3u
#define AF_EFFECT_COUNT 3u

/* The driver's control device, for afctl only: requests on it are never journaled,
 * so the tool's own opens and reads do not show up among the program's requests. */
#define AF_CONTROL_DEVICE_NAME L"\\Device\\AfDrvControl"
#define AF_CONTROL_LINK_NAME L"\\DosDevices\\AfDrvControl"
#define AF_CONTROL_WIN32_PATH "\\\\.\\AfDrvControl"
#define AF_CHANNEL_DEVICE_NAME L"\\Device\\AfDrvChannel"
/* Name of the symbolic link inside the interface's directory object. */
#define AF_CHANNEL_LINK_LEAF L"AF"

/* Private codes of the control device: FILE_DEVICE_UNKNOWN, functions 0x800 to 0x803,
 * METHOD_BUFFERED, FILE_ANY_ACCESS. */
#define AF_CTL_READ_JOURNAL 0x222000u  /* out: AfJournalHeader + entries */
#define AF_CTL_CLEAR_JOURNAL 0x222004u /* no buffers */
#define AF_CTL_GET_CONFIG 0x222008u    /* out: AfConfig */
#define AF_CTL_SET_CONFIG 0x22200Cu    /* in: AfConfig */

/* Values of the driver's service key (HKLM\System\CurrentControlSet\Services\afdrv),
 * written by afctl before the service starts and read once in DriverEntry. */
#define AF_SERVICE_NAME "afdrv"
#define AF_VALUE_LINK_NAME L"LinkName" /* REG_SZ, NT name of the interface's directory */
#define AF_VALUE_INIT_AEC L"InitAEC"   /* REG_DWORD, initial state bytes */
#define AF_VALUE_INIT_NS L"InitNS"
#define AF_VALUE_INIT_BF L"InitBF"
#define AF_VALUE_FAIL_GET L"FailGet"       /* REG_DWORD 1: every GET fails */
#define AF_VALUE_FAIL_SET L"FailSet"       /* REG_DWORD 1: every SET fails */
#define AF_VALUE_SHORT_GET L"ShortGet"     /* REG_DWORD 1: GET succeeds with 4 bytes */
#define AF_VALUE_ODD_STATE L"OddState"     /* REG_DWORD n (1..255): GET answers state n */
#define AF_VALUE_REFUSE_OPEN L"RefuseOpen" /* REG_DWORD 1: the channel cannot be opened */

/* How the driver behaves; read and replaced whole through the control device. */
typedef struct AfConfig {
    unsigned int state[AF_EFFECT_COUNT]; /* AEC, NS, BF: the state byte (0..255) */
    unsigned int failGet;
    unsigned int failSet;
    unsigned int shortGet;
    unsigned int oddState; /* 0 off, else the state byte every GET answers */
    unsigned int refuseOpen;
} AfConfig;

/* Journal entry kinds. */
#define AF_KIND_OPEN 1u
#define AF_KIND_CLOSE 2u
#define AF_KIND_IOCTL 3u

#define AF_NONE 0xFFFFFFFFu /* a field the request did not carry */
#define AF_JOURNAL_CAPACITY 1024u

typedef struct AfJournalEntry {
    unsigned int kind;
    unsigned int code;      /* control code (AF_KIND_IOCTL) */
    unsigned int inLength;  /* input buffer length as the caller gave it */
    unsigned int outLength; /* output buffer length as the caller gave it */
    unsigned int effect;    /* bytes 0..3 of the input, or AF_NONE */
    unsigned int state;     /* byte 4 of the input, or AF_NONE */
    unsigned int tail;      /* 0: bytes 5..11 of the input all zero; 1: not; AF_NONE: short */
    unsigned int status;    /* NTSTATUS the request was completed with */
    unsigned int information; /* IoStatus.Information */
} AfJournalEntry;

typedef struct AfJournalHeader {
    unsigned int total;  /* requests seen since the last clear */
    unsigned int stored; /* entries that follow (the first AF_JOURNAL_CAPACITY) */
} AfJournalHeader;

#define AF_JOURNAL_BUFFER_SIZE \
    (sizeof(AfJournalHeader) + AF_JOURNAL_CAPACITY * sizeof(AfJournalEntry))

#endif
