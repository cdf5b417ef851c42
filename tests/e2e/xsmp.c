/* A minimal X11 session manager for the end-to-end runs: it listens for one client, and once
 * the client has registered and the helper gets SIGUSR1 (a log-out), asks it to save for a
 * shutdown (SaveYourself, no interaction), then tells it to die when it is done. It prints the address for SESSION_MANAGER on its
 * first line, then one line per step it sees ("registered", "save-yourself-done",
 * "closed"), and ends when the client's connection closes or after a time limit. */
#include <X11/ICE/ICElib.h>
#include <X11/SM/SMlib.h>

#include <poll.h>
#include <signal.h>
#include <stdio.h>
#include <stdlib.h>
#include <string.h>
#include <time.h>

static IceConn s_connection;
static SmsConn s_client;
static int s_closed;
static volatile sig_atomic_t s_logOut;

static void onLogOut(int signal)
{
    (void)signal;
    s_logOut = 1;
}

static void say(const char *what)
{
    printf("%s\n", what);
    fflush(stdout);
}

static Status registerClient(SmsConn sms, SmPointer data, char *previousId)
{
    (void)data;
    free(previousId);
    char *id = SmsGenerateClientID(sms);
    SmsRegisterClientReply(sms, id ? id : "tervana-e2e-client");
    free(id);
    say("registered");
    s_client = sms;
    return 1;
}

static void interactRequest(SmsConn sms, SmPointer data, int dialogType)
{
    (void)sms, (void)data, (void)dialogType;
}
static void interactDone(SmsConn sms, SmPointer data, Bool cancel)
{
    (void)sms, (void)data, (void)cancel;
}
static void saveYourselfRequest(SmsConn sms, SmPointer data, int saveType, Bool shutdown,
                                int interactStyle, Bool fast, Bool global)
{
    (void)sms, (void)data, (void)saveType, (void)shutdown, (void)interactStyle, (void)fast,
        (void)global;
}
static void saveYourselfPhase2Request(SmsConn sms, SmPointer data)
{
    SmsSaveYourselfPhase2(sms);
    (void)data;
}
static void saveYourselfDone(SmsConn sms, SmPointer data, Bool success)
{
    (void)data;
    say(success ? "save-yourself-done" : "save-yourself-failed");
    SmsSaveComplete(sms);
    SmsDie(sms);
}
static void closeConnection(SmsConn sms, SmPointer data, int count, char **reasons)
{
    (void)data;
    SmFreeReasons(count, reasons);
    SmsCleanUp(sms);
    s_closed = 1;
}
static void setProperties(SmsConn sms, SmPointer data, int count, SmProp **properties)
{
    (void)sms, (void)data;
    for (int i = 0; i < count; ++i)
        SmFreeProperty(properties[i]);
    free(properties);
}
static void deleteProperties(SmsConn sms, SmPointer data, int count, char **names)
{
    (void)sms, (void)data;
    for (int i = 0; i < count; ++i)
        free(names[i]);
    free(names);
}
static void getProperties(SmsConn sms, SmPointer data)
{
    SmsReturnProperties(sms, 0, NULL);
    (void)data;
}

static Status newClient(SmsConn sms, SmPointer data, unsigned long *mask,
                        SmsCallbacks *callbacks, char **failure)
{
    (void)sms, (void)data, (void)failure;
    memset(callbacks, 0, sizeof *callbacks);
    callbacks->register_client.callback = registerClient;
    callbacks->interact_request.callback = interactRequest;
    callbacks->interact_done.callback = interactDone;
    callbacks->save_yourself_request.callback = saveYourselfRequest;
    callbacks->save_yourself_phase2_request.callback = saveYourselfPhase2Request;
    callbacks->save_yourself_done.callback = saveYourselfDone;
    callbacks->close_connection.callback = closeConnection;
    callbacks->set_properties.callback = setProperties;
    callbacks->delete_properties.callback = deleteProperties;
    callbacks->get_properties.callback = getProperties;
    *mask = SmsRegisterClientProcMask | SmsInteractRequestProcMask | SmsInteractDoneProcMask |
            SmsSaveYourselfRequestProcMask | SmsSaveYourselfP2RequestProcMask |
            SmsSaveYourselfDoneProcMask | SmsCloseConnectionProcMask |
            SmsSetPropertiesProcMask | SmsDeletePropertiesProcMask | SmsGetPropertiesProcMask;
    return 1;
}

static Bool anyHost(char *hostName)
{
    (void)hostName;
    return True;
}

int main(int argc, char **argv)
{
    const int seconds = argc > 1 ? atoi(argv[1]) : 60;
    char error[256];
    if (!SmsInitialize("tervana-e2e", "1", newClient, NULL, anyHost, sizeof error, error)) {
        fprintf(stderr, "xsmp: %s\n", error);
        return 2;
    }
    int count = 0;
    IceListenObj *listeners = NULL;
    if (!IceListenForConnections(&count, &listeners, sizeof error, error) || count == 0) {
        fprintf(stderr, "xsmp: %s\n", error);
        return 2;
    }
    for (int i = 0; i < count; ++i)
        IceSetHostBasedAuthProc(listeners[i], anyHost);
    char *address = IceComposeNetworkIdList(count, listeners);
    say(address);
    free(address);

    signal(SIGUSR1, onLogOut);
    const time_t end = time(NULL) + seconds;
    while (!s_closed && time(NULL) < end) {
        if (s_logOut && s_client) {
            s_logOut = 0;
            say("save-yourself");
            SmsSaveYourself(s_client, SmSaveLocal, True, SmInteractStyleNone, False);
        }
        struct pollfd fds[64];
        int n = 0;
        for (int i = 0; i < count && n < 63; ++i)
            fds[n++] = (struct pollfd){IceGetListenConnectionNumber(listeners[i]), POLLIN, 0};
        if (s_connection) fds[n++] = (struct pollfd){IceConnectionNumber(s_connection), POLLIN, 0};
        if (poll(fds, (nfds_t)n, 200) <= 0) continue;
        for (int i = 0; i < count; ++i) {
            if (!(fds[i].revents & POLLIN) || s_connection) continue;
            IceAcceptStatus status;
            IceConn connection = IceAcceptConnection(listeners[i], &status);
            if (!connection) continue;
            IceConnectStatus state;
            while ((state = IceConnectionStatus(connection)) == IceConnectPending)
                IceProcessMessages(connection, NULL, NULL);
            if (state == IceConnectAccepted)
                s_connection = connection;
            else
                IceCloseConnection(connection);
        }
        if (s_connection && (fds[n - 1].revents & (POLLIN | POLLHUP))) {
            if (IceProcessMessages(s_connection, NULL, NULL) == IceProcessMessagesIOError) {
                IceCloseConnection(s_connection);
                s_connection = NULL;
                s_closed = 1;
            }
        }
    }
    say(s_closed ? "closed" : "timed out");
    IceFreeListenObjs(count, listeners);
    return s_closed ? 0 : 1;
}
