/* afdrv.sys: a kernel driver that stands in for the camera microphone's audio
 * driver in the Wine end-to-end tests. It answers the effect channel's two requests
 * (set and query one effect's state) on the device behind "<interface path>\AF",
 * keeps one state byte per effect, can be told to answer badly, and journals every
 * request the channel receives. afctl.exe installs it, reads the journal and changes
 * its behaviour through a control device of its own. Test equipment, never shipped.
 *
 * Everything the caller sends is untrusted: lengths are checked before any byte of a
 * buffer is read or written, and only METHOD_BUFFERED requests have their buffers
 * looked at. */
#include <ntddk.h>

#include "afdrv_protocol.h"

DRIVER_INITIALIZE DriverEntry;

static PDEVICE_OBJECT g_channel;
static PDEVICE_OBJECT g_control;
static KSPIN_LOCK g_lock;
static AfConfig g_config;
static AfJournalEntry g_journal[AF_JOURNAL_CAPACITY];
static ULONG g_total;

#define LINK_NAME_CHARS 300u

/* --- service key ------------------------------------------------------------------ */

/* A REG_DWORD of the service key, or the default when it is missing or of another kind. */
static ULONG read_dword(HANDLE key, PCWSTR name, ULONG fallback)
{
    union {
        KEY_VALUE_PARTIAL_INFORMATION info;
        UCHAR bytes[sizeof(KEY_VALUE_PARTIAL_INFORMATION) + 16];
    } buffer;
    UNICODE_STRING value_name;
    ULONG length = 0;
    ULONG result = 0;
    RtlInitUnicodeString(&value_name, name);
    if (!NT_SUCCESS(ZwQueryValueKey(key, &value_name, KeyValuePartialInformation, &buffer,
                                    sizeof(buffer), &length)))
        return fallback;
    if (buffer.info.Type != REG_DWORD || buffer.info.DataLength != sizeof(ULONG))
        return fallback;
    RtlCopyMemory(&result, buffer.info.Data, sizeof(result));
    return result;
}

/* A REG_SZ of the service key into out (NUL-terminated, at most capacity - 1 chars).
 * Fails when it is missing, of another kind, empty or too long. */
static NTSTATUS read_string(HANDLE key, PCWSTR name, WCHAR *out, ULONG capacity)
{
    union {
        KEY_VALUE_PARTIAL_INFORMATION info;
        UCHAR bytes[sizeof(KEY_VALUE_PARTIAL_INFORMATION) + LINK_NAME_CHARS * sizeof(WCHAR)];
    } buffer;
    UNICODE_STRING value_name;
    ULONG length = 0;
    ULONG chars;
    NTSTATUS status;
    RtlInitUnicodeString(&value_name, name);
    status = ZwQueryValueKey(key, &value_name, KeyValuePartialInformation, &buffer,
                             sizeof(buffer), &length);
    if (!NT_SUCCESS(status)) return status;
    if (buffer.info.Type != REG_SZ) return STATUS_OBJECT_TYPE_MISMATCH;
    chars = buffer.info.DataLength / sizeof(WCHAR);
    if (chars > LINK_NAME_CHARS) chars = LINK_NAME_CHARS;
    {
        ULONG i, n = 0;
        const WCHAR *data = (const WCHAR *)buffer.info.Data;
        for (i = 0; i < chars && data[i] != 0; ++i) {
            if (n + 1 >= capacity) return STATUS_NAME_TOO_LONG;
            out[n++] = data[i];
        }
        out[n] = 0;
        if (n == 0) return STATUS_OBJECT_NAME_INVALID;
    }
    return STATUS_SUCCESS;
}

static ULONG clamp_byte(ULONG value)
{
    return value > 0xFF ? 0xFF : value;
}

/* --- journal ------------------------------------------------------------------------- */

static void journal_add(const AfJournalEntry *entry)
{
    KIRQL irql = KeAcquireSpinLockRaiseToDpc(&g_lock);
    if (g_total < AF_JOURNAL_CAPACITY) g_journal[g_total] = *entry;
    if (g_total != 0xFFFFFFFFu) ++g_total;
    KeReleaseSpinLock(&g_lock, irql);
}

static NTSTATUS complete(PIRP irp, NTSTATUS status, ULONG_PTR information)
{
    irp->IoStatus.Status = status;
    irp->IoStatus.Information = information;
    IoCompleteRequest(irp, IO_NO_INCREMENT);
    return status;
}

/* --- the effect channel ------------------------------------------------------------------ */

static ULONG read_u32(const UCHAR *bytes)
{
    return (ULONG)bytes[0] | ((ULONG)bytes[1] << 8) | ((ULONG)bytes[2] << 16) |
           ((ULONG)bytes[3] << 24);
}

static NTSTATUS channel_ioctl(PIRP irp, PIO_STACK_LOCATION stack)
{
    const ULONG code = stack->Parameters.DeviceIoControl.IoControlCode;
    const ULONG in_length = stack->Parameters.DeviceIoControl.InputBufferLength;
    const ULONG out_length = stack->Parameters.DeviceIoControl.OutputBufferLength;
    UCHAR *buffer = (code & 3u) == METHOD_BUFFERED ? (UCHAR *)irp->AssociatedIrp.SystemBuffer : NULL;
    AfJournalEntry entry;
    NTSTATUS status = STATUS_INVALID_DEVICE_REQUEST;
    ULONG information = 0;
    AfConfig config;
    KIRQL irql;

    entry.kind = AF_KIND_IOCTL;
    entry.code = code;
    entry.inLength = in_length;
    entry.outLength = out_length;
    entry.effect = AF_NONE;
    entry.state = AF_NONE;
    entry.tail = AF_NONE;
    if (buffer != NULL) {
        if (in_length >= 4) entry.effect = read_u32(buffer);
        if (in_length >= 5) entry.state = buffer[4];
        if (in_length >= AF_BLOCK_SIZE) {
            ULONG i;
            entry.tail = 0;
            for (i = 5; i < AF_BLOCK_SIZE; ++i)
                if (buffer[i] != 0) entry.tail = 1;
        }
    }

    irql = KeAcquireSpinLockRaiseToDpc(&g_lock);
    config = g_config;
    KeReleaseSpinLock(&g_lock, irql);

    if (code == AF_IOCTL_SET_EFFECT) {
        if (config.failSet)
            status = STATUS_UNSUCCESSFUL;
        else if (buffer == NULL || in_length < AF_BLOCK_SIZE)
            status = STATUS_BUFFER_TOO_SMALL;
        else if (entry.effect < AF_EFFECT_AEC || entry.effect > AF_EFFECT_BF)
            status = STATUS_INVALID_PARAMETER;
        else {
            irql = KeAcquireSpinLockRaiseToDpc(&g_lock);
            g_config.state[entry.effect - 1] = entry.state;
            KeReleaseSpinLock(&g_lock, irql);
            status = STATUS_SUCCESS;
        }
    } else if (code == AF_IOCTL_GET_EFFECT) {
        if (config.failGet)
            status = STATUS_UNSUCCESSFUL;
        else if (buffer == NULL || in_length < AF_BLOCK_SIZE || out_length < AF_BLOCK_SIZE)
            status = STATUS_BUFFER_TOO_SMALL;
        else if (entry.effect < AF_EFFECT_AEC || entry.effect > AF_EFFECT_BF)
            status = STATUS_INVALID_PARAMETER;
        else {
            ULONG effect = entry.effect;
            RtlZeroMemory(buffer, AF_BLOCK_SIZE);
            buffer[0] = (UCHAR)effect;
            buffer[4] = (UCHAR)(config.oddState ? config.oddState : config.state[effect - 1]);
            information = config.shortGet ? 4 : AF_BLOCK_SIZE;
            status = STATUS_SUCCESS;
        }
    }

    entry.status = (ULONG)status;
    entry.information = information;
    journal_add(&entry);
    return complete(irp, status, information);
}

static NTSTATUS set_channel_linked(BOOLEAN linked);

/* --- the control device (afctl) ---------------------------------------------------------- */

static NTSTATUS control_ioctl(PIRP irp, PIO_STACK_LOCATION stack)
{
    const ULONG code = stack->Parameters.DeviceIoControl.IoControlCode;
    const ULONG in_length = stack->Parameters.DeviceIoControl.InputBufferLength;
    const ULONG out_length = stack->Parameters.DeviceIoControl.OutputBufferLength;
    UCHAR *buffer = (UCHAR *)irp->AssociatedIrp.SystemBuffer;
    KIRQL irql;

    switch (code) {
    case AF_CTL_READ_JOURNAL: {
        AfJournalHeader header;
        ULONG room, count;
        if (buffer == NULL || out_length < sizeof(header)) return complete(irp, STATUS_BUFFER_TOO_SMALL, 0);
        room = (out_length - (ULONG)sizeof(header)) / (ULONG)sizeof(AfJournalEntry);
        irql = KeAcquireSpinLockRaiseToDpc(&g_lock);
        count = g_total < AF_JOURNAL_CAPACITY ? g_total : AF_JOURNAL_CAPACITY;
        if (count > room) count = room;
        header.total = g_total;
        header.stored = count;
        RtlCopyMemory(buffer, &header, sizeof(header));
        RtlCopyMemory(buffer + sizeof(header), g_journal, count * sizeof(AfJournalEntry));
        KeReleaseSpinLock(&g_lock, irql);
        return complete(irp, STATUS_SUCCESS, sizeof(header) + count * sizeof(AfJournalEntry));
    }
    case AF_CTL_CLEAR_JOURNAL:
        irql = KeAcquireSpinLockRaiseToDpc(&g_lock);
        g_total = 0;
        KeReleaseSpinLock(&g_lock, irql);
        return complete(irp, STATUS_SUCCESS, 0);
    case AF_CTL_GET_CONFIG:
        if (buffer == NULL || out_length < sizeof(AfConfig)) return complete(irp, STATUS_BUFFER_TOO_SMALL, 0);
        irql = KeAcquireSpinLockRaiseToDpc(&g_lock);
        RtlCopyMemory(buffer, &g_config, sizeof(AfConfig));
        KeReleaseSpinLock(&g_lock, irql);
        return complete(irp, STATUS_SUCCESS, sizeof(AfConfig));
    case AF_CTL_SET_CONFIG: {
        AfConfig config;
        ULONG i;
        if (buffer == NULL || in_length < sizeof(AfConfig)) return complete(irp, STATUS_BUFFER_TOO_SMALL, 0);
        RtlCopyMemory(&config, buffer, sizeof(config));
        for (i = 0; i < AF_EFFECT_COUNT; ++i) config.state[i] = clamp_byte(config.state[i]);
        config.oddState = clamp_byte(config.oddState);
        config.refuseOpen = config.refuseOpen != 0;
        irql = KeAcquireSpinLockRaiseToDpc(&g_lock);
        g_config = config;
        KeReleaseSpinLock(&g_lock, irql);
        return complete(irp, set_channel_linked(!config.refuseOpen), 0);
    }
    default:
        return complete(irp, STATUS_INVALID_DEVICE_REQUEST, 0);
    }
}

/* --- dispatch ---------------------------------------------------------------------------------- */

static NTSTATUS NTAPI dispatch_create(PDEVICE_OBJECT device, PIRP irp)
{
    NTSTATUS status = STATUS_SUCCESS;
    if (device == g_channel) {
        AfJournalEntry entry;
        KIRQL irql = KeAcquireSpinLockRaiseToDpc(&g_lock);
        if (g_config.refuseOpen) status = STATUS_NO_SUCH_DEVICE;
        KeReleaseSpinLock(&g_lock, irql);
        RtlZeroMemory(&entry, sizeof(entry));
        entry.kind = AF_KIND_OPEN;
        entry.effect = entry.state = entry.tail = AF_NONE;
        entry.status = (ULONG)status;
        journal_add(&entry);
    }
    return complete(irp, status, 0);
}

static NTSTATUS NTAPI dispatch_close(PDEVICE_OBJECT device, PIRP irp)
{
    if (device == g_channel) {
        AfJournalEntry entry;
        RtlZeroMemory(&entry, sizeof(entry));
        entry.kind = AF_KIND_CLOSE;
        entry.effect = entry.state = entry.tail = AF_NONE;
        journal_add(&entry);
    }
    return complete(irp, STATUS_SUCCESS, 0);
}

static NTSTATUS NTAPI dispatch_cleanup(PDEVICE_OBJECT device, PIRP irp)
{
    (void)device;
    return complete(irp, STATUS_SUCCESS, 0);
}

static NTSTATUS NTAPI dispatch_ioctl(PDEVICE_OBJECT device, PIRP irp)
{
    PIO_STACK_LOCATION stack = IoGetCurrentIrpStackLocation(irp);
    if (device == g_control) return control_ioctl(irp, stack);
    return channel_ioctl(irp, stack);
}

static NTSTATUS NTAPI dispatch_other(PDEVICE_OBJECT device, PIRP irp)
{
    (void)device;
    return complete(irp, STATUS_INVALID_DEVICE_REQUEST, 0);
}

/* --- start -------------------------------------------------------------------------------------- */

static WCHAR g_link_buffer[LINK_NAME_CHARS + 8];
static UNICODE_STRING g_channel_link;
static BOOLEAN g_channel_linked;

/* The interface's directory object (named by the service key), in which the link "AF"
 * to the channel device is made: Wine hands a name below a symbolic link to no device,
 * so "<interface path>\AF" has to resolve through a real directory. */
static NTSTATUS create_channel_directory(const WCHAR *directory_name)
{
    UNICODE_STRING directory;
    OBJECT_ATTRIBUTES attributes;
    HANDLE handle = NULL;
    NTSTATUS status;
    ULONG n = 0, i;

    RtlInitUnicodeString(&directory, directory_name);
    InitializeObjectAttributes(&attributes, &directory, OBJ_CASE_INSENSITIVE | OBJ_PERMANENT, NULL, NULL);
    status = ZwCreateDirectoryObject(&handle, DIRECTORY_ALL_ACCESS, &attributes);
    if (!NT_SUCCESS(status)) return status;
    ZwClose(handle);

    for (i = 0; directory_name[i] != 0 && n < LINK_NAME_CHARS; ++i) g_link_buffer[n++] = directory_name[i];
    g_link_buffer[n++] = L'\\';
    for (i = 0; AF_CHANNEL_LINK_LEAF[i] != 0; ++i) g_link_buffer[n++] = AF_CHANNEL_LINK_LEAF[i];
    g_link_buffer[n] = 0;
    RtlInitUnicodeString(&g_channel_link, g_link_buffer);
    return STATUS_SUCCESS;
}

/* Makes "<interface path>\AF" openable or not. Wine opens a device even when its
 * IRP_MJ_CREATE fails, so a channel that refuses to open has no link at all.
 * Runs at PASSIVE_LEVEL, outside the lock. */
static NTSTATUS set_channel_linked(BOOLEAN linked)
{
    UNICODE_STRING target;
    NTSTATUS status = STATUS_SUCCESS;
    if (linked == g_channel_linked) return STATUS_SUCCESS;
    if (linked) {
        RtlInitUnicodeString(&target, AF_CHANNEL_DEVICE_NAME);
        status = IoCreateSymbolicLink(&g_channel_link, &target);
    } else {
        status = IoDeleteSymbolicLink(&g_channel_link);
    }
    if (NT_SUCCESS(status)) g_channel_linked = linked;
    return status;
}

NTSTATUS NTAPI DriverEntry(PDRIVER_OBJECT driver, PUNICODE_STRING registry_path)
{
    static WCHAR directory_name[LINK_NAME_CHARS];
    UNICODE_STRING name, link;
    OBJECT_ATTRIBUTES attributes;
    HANDLE key = NULL;
    NTSTATUS status;
    ULONG i;

    KeInitializeSpinLock(&g_lock);
    RtlZeroMemory(&g_config, sizeof(g_config));
    g_total = 0;

    InitializeObjectAttributes(&attributes, registry_path, OBJ_CASE_INSENSITIVE, NULL, NULL);
    status = ZwOpenKey(&key, KEY_READ, &attributes);
    if (!NT_SUCCESS(status)) return status;
    g_config.state[AF_EFFECT_AEC - 1] = clamp_byte(read_dword(key, AF_VALUE_INIT_AEC, 0));
    g_config.state[AF_EFFECT_NS - 1] = clamp_byte(read_dword(key, AF_VALUE_INIT_NS, 0));
    g_config.state[AF_EFFECT_BF - 1] = clamp_byte(read_dword(key, AF_VALUE_INIT_BF, 0));
    g_config.failGet = read_dword(key, AF_VALUE_FAIL_GET, 0) != 0;
    g_config.failSet = read_dword(key, AF_VALUE_FAIL_SET, 0) != 0;
    g_config.shortGet = read_dword(key, AF_VALUE_SHORT_GET, 0) != 0;
    g_config.oddState = clamp_byte(read_dword(key, AF_VALUE_ODD_STATE, 0));
    g_config.refuseOpen = read_dword(key, AF_VALUE_REFUSE_OPEN, 0) != 0;
    status = read_string(key, AF_VALUE_LINK_NAME, directory_name, LINK_NAME_CHARS);
    ZwClose(key);
    if (!NT_SUCCESS(status)) return status;

    for (i = 0; i <= IRP_MJ_MAXIMUM_FUNCTION; ++i) driver->MajorFunction[i] = dispatch_other;
    driver->MajorFunction[IRP_MJ_CREATE] = dispatch_create;
    driver->MajorFunction[IRP_MJ_CLOSE] = dispatch_close;
    driver->MajorFunction[IRP_MJ_CLEANUP] = dispatch_cleanup;
    driver->MajorFunction[IRP_MJ_DEVICE_CONTROL] = dispatch_ioctl;

    RtlInitUnicodeString(&name, AF_CHANNEL_DEVICE_NAME);
    status = IoCreateDevice(driver, 0, &name, FILE_DEVICE_UNKNOWN, 0, FALSE, &g_channel);
    if (!NT_SUCCESS(status)) return status;
    RtlInitUnicodeString(&name, AF_CONTROL_DEVICE_NAME);
    status = IoCreateDevice(driver, 0, &name, FILE_DEVICE_UNKNOWN, 0, FALSE, &g_control);
    if (!NT_SUCCESS(status)) goto fail_channel;
    RtlInitUnicodeString(&link, AF_CONTROL_LINK_NAME);
    status = IoCreateSymbolicLink(&link, &name);
    if (!NT_SUCCESS(status)) goto fail_control;
    status = create_channel_directory(directory_name);
    if (!NT_SUCCESS(status)) goto fail_link;
    status = set_channel_linked(!g_config.refuseOpen);
    if (!NT_SUCCESS(status)) goto fail_link;

    g_channel->Flags &= ~DO_DEVICE_INITIALIZING;
    g_control->Flags &= ~DO_DEVICE_INITIALIZING;
    return STATUS_SUCCESS;

fail_link:
    IoDeleteSymbolicLink(&link);
fail_control:
    IoDeleteDevice(g_control);
fail_channel:
    IoDeleteDevice(g_channel);
    return status;
}
