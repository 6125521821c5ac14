// The five built-in message tables and the switch between them. Texts are
// Windows-1252 bytes written as hex escapes; a literal is split after an
// escape that a hex-digit letter follows, so the escape does not run on.
#include "config/lang.h"

#include <cstddef>

LangStruct MsgLang;

namespace {

// Designated initialisers: a text too long for its field does not compile.
// The texts keep their hand layout: escapes split where a word goes on.
// clang-format off
constexpr LangStruct kEnglish = {
    .msgError = " Error",
    .msgWarning = "Warning",
    .msgMessage = "Message",
    .msgAppError = "Application Error!",
    .msgCfgOpenErr = "Unable to open config file.",
    .msgFileOpenErr = "Unable to open file.",
    .msgWriting = "Writing",
    .msgFileSaveErr = "Unable to save file.",
    .msgLoading = "Loading",
    .msgMemErr = "Memory allocation Error.",
    .msgWritten = "Written",
    .msgSelectSat = "You must select at least one satellite!",
    .msgSave = "Save",
    .msgDbConnecting = "Connection to the Database Server in progress. Please wait ...",
    .msgDbReading = "Reading data from the Database Server. Please wait ...",
    .msgDbReadErr = "Error reading data from the Database Server!",
    .msgDbReadOk =
        "All data were read correctly.\r\n"
        "You can now save the list in the desired format.",
    .msgOldVersion =
        "This is one old version of Velartis!\r\n"
        "Visit our Forum and download a new version.",
    .msgCanceled = "Operation canceled.",
    .msgFileWritten = "The file was written correctly.",
    .msgNdfMaxSat = "Too many satellites for NDF format. (61 max)",
    .msgManyChannels =
        "This list contains more than 10000 channels.\r\n"
        "Check that your STB supports this condition.",
    .lblDishPosition = " Dish Position ",
    .lblFavAsSat = "Favorites such as satellites",
    .lblSatellites = " Satellites ",
    .lblNoSatSelected = " No satellite selected ",
    .lblDishSetup = " Dish Setup ",
    .lblCategories = " Categories ",
    .lblBouquetList = "Bouquet List",
    .lblSideBouquet = "Side Bouquet",
    .lblListType = " List Type ",
    .lblBouAsSat = "Bouquet as Satellites",
    .lblBouAsCh = "Bouquet as Channels",
    .lblWriteFake = "Write fake channels? ",
    .lblLimits = " Limits (max) ",
    .lblMaxFavGroups = "Nr. Favorites Groups (0=All):",
    .lblMaxBouquets = "Nr. Bouquet (0=All):",
    .lblMaxTv = "Nr. Tv Channels (0=All):",
    .lblMaxRadio = "Nr. Radio Channels (0=All):",
    .lblWriteLog = "Write the log file? ",
    .lblFeedTp = "TP occasional or Feed",
    .lblSortBy = "Sort By:",
    .lblName = "Name",
    .lblNation = "Nation",
    .msgAzboxMaxSat = "Too many satellites for AZBox format. (240 max)",
    .msgSwitchUnsupported = "Switch 1.0/1.1 is not supported. Will use the Switch 1.0 port.",
    .msgEcdfMaxSat = "Excessive number of satellites for ECDF format. (32 max)",
    .msgEcdfMaxTp = "Excessive number of transponders for the format ECDF. (1000 max)",
    .msgEcdfMaxCh = "Excessive number of channels for the format ECDF. (5000 max)",
    .msgEcdfMaxFavGrp = "Excessive number of favorite groups for the format ECDF. (8 max)",
    .msgEcdfMaxFavCh =
        "Excessive number of favorite channels per group for the format ECDF. (100 max)",
    .msgJstMaxSat = "Excessive number of satellites for JST format. (64 max)",
    .msgJstMaxTp = "Excessive number of transponders for the format JST. (2040 max)",
    .msgJstMaxTv = "Excessive number of TV channels for the format JST. (4199 max)",
    .msgJstMaxRadio = "Excessive number of RADIO channels for the format JST. (719 max)",
    .msgJstMaxFavGrp = "Excessive number of favorite groups for the format JST. (16 max)",
    .txtDisclaimer1 =
        "This program automatically generates lists channels (settings) for satellite "
        "receivers.\r\n\r\n",
    .txtDisclaimer2 = "\r\n\r\n",
    .txtDisclaimer3 = "\r\n\r\n",
    .txtDisclaimer4 = "\r\n\r\n",
    .txtDisclaimer5 = "\r\n\r\n",
    .txtDisclaimer6 = "\r\n\r\n",
    .msgCfgChanged = "The configuration has been changed.\r\nExit without saving?",
    .msgCfgReplace = "The configuration has been changed.\r\nOpen another one without saving it?",
    .msgAllowedValues = "Allowed values:",
    .msgDbServer = "Server",
    .msgDbUser = "User",
    .msgDbName = "Database",
    .msgReason = "Reason",
    .msgHintServer = "Is the server running, and is this its address?",
    .msgHintAccess = "Check the user and the password.",
    .msgHintDatabase = "Check the name of the database.",
    .msgBuiltInServer = "the built-in server",
    .msgDownloadStopped = "The download stopped.",
    .msgSatMissing = "Ticked satellites the server does not have:",
    .msgReplaceList = "A list written in the same minute is already in this folder. Replace it?",
    .msgNoBrowser = "No web browser could be started. The page is:",
    .lblCancel = "Cancel",
    .lblDbTitle = "Channel database",
    .lblDbServer = "Server (host name or socket path)",
    .lblDbPort = "Port",
    .lblDbPassword = "Password",
    .lblDbCompress = "Compression",
    .lblDbCompressAuto = "Automatic (only for a server on another host)",
    .lblDbCompressOn = "Always",
    .lblDbCompressOff = "Never",
    .lblDbTest = "&Test connection",
    .lblOk = "OK",
    .lblDbDefault = "built-in",
    .msgDbTesting = "Connecting to the server ...",
    .msgDbTestOk = "Connected: server version %1. Satellites in the database: %2.",
    .msgDbNoSatTable = "Connected (server version %1), but the database has no satellite table.",
    .msgDbEnvSet = "Set by the variable %1, which takes precedence over this setting.",
    .msgDbNoStore = "No secret store is running: the password is not saved, only kept until the program ends.",
    .msgDbAskPassword = "Password of user %1 for the channel database on %2:",
};
// clang-format on

// A text a language leaves out is the English one.
template <size_t N>
constexpr void orEnglish(char (&text)[N], const char (&english)[N]) {
    if (text[0] != '\0') return;
    for (size_t i = 0; i < N; ++i) text[i] = english[i];
}
constexpr LangStruct withEnglish(LangStruct t) {
#define VA_OR_ENGLISH(f) orEnglish(t.f, kEnglish.f);
    VA_LANG_FIELDS(VA_OR_ENGLISH)
#undef VA_OR_ENGLISH
    return t;
}

// The other languages leave out the texts they show in English.
#pragma GCC diagnostic push
#pragma GCC diagnostic ignored "-Wmissing-field-initializers"
// clang-format off
constexpr LangStruct kItalian = withEnglish({
    .msgError = " Errore",
    .msgWarning = "Attenzione",
    .msgMessage = "Messaggio",
    .msgCfgOpenErr = "Impossibile aprire il file di configurazione.",
    .msgFileOpenErr = "Impossibile aprire il file.",
    .msgFileSaveErr = "Impossibile salvare il file.",
    .msgMemErr = "Errore di allocazione della Memoria.",
    .msgSelectSat = "Devi selezionare almeno un satellite!",
    .msgDbConnecting = "Connessione al Database Server in corso. Attendere prego...",
    .msgDbReading = "Lettura dei dati dal Database Server. Attendere prego...",
    .msgDbReadErr = "Errore durante la lettura dei dati dal Database Server!",
    .msgDbReadOk =
        "Tutti i dati sono stati letti correttamente.\r\n"
        "Ora \xE8 possibile salvare la lista nel formato desiderato.",
    .msgOldVersion =
        "Questa \xE8 una vecchia versione di Velartis!\r\n"
        "Visita il nostro Forum e scarica la nuova versione.",
    .msgCanceled = "Operazione annullata.",
    .msgFileWritten = "Il file \xE8 stato scritto correttamente.",
    .msgNdfMaxSat = "Numero eccessivo di satelliti per il formato NDF. (61 max)",
    .msgManyChannels =
        "Questa lista contiene pi\xF9 di 10000 canali.\r\n"
        "Verifica che il tuo STB supporti tale condizione.",
    .lblDishPosition = " Posizione Parabola ",
    .lblFavAsSat = "Favoriti come Satelliti",
    .lblSatellites = " Satelliti ",
    .lblNoSatSelected = " Nessun satellite selezionato ",
    .lblDishSetup = " Parabola Setup ",
    .lblCategories = " Categorie ",
    .lblBouquetList = "Lista Bouquet",
    .lblSideBouquet = "Bouquet Indesiderati",
    .lblListType = " Tipo Lista ",
    .lblBouAsSat = "Bouquet come Satelliti",
    .lblBouAsCh = "Bouquet come Canali",
    .lblWriteFake = "Scrivere i canali fake? ",
    .lblLimits = " Limiti (max) ",
    .lblMaxFavGroups = "Nr. Gruppi Favoriti (0=Tutti):",
    .lblMaxBouquets = "Nr. Bouquets (0=Tutti):",
    .lblMaxTv = "Nr. Canali Tv (0=Tutti):",
    .lblMaxRadio = "Nr. Canali Radio (0=Tutti):",
    .lblWriteLog = "Scrivere il Log File? ",
    .lblFeedTp = "TP occasionali o Feed",
    .lblSortBy = "Ordina per:",
    .lblName = "Nome",
    .lblNation = "Nazione",
    .msgAzboxMaxSat = "Numero eccessivo di satelliti per il formato AZBox. (240 max)",
    .msgSwitchUnsupported = "Switch 1.0/1.1 non supportato. Verranno usate le porte di Switch 1.0",
    .msgEcdfMaxSat = "Numero eccessivo di satelliti per il formato ECDF. (32 max)",
    .msgEcdfMaxTp = "Numero eccessivo di transponder per il formato ECDF. (1000 max)",
    .msgEcdfMaxCh = "Numero eccessivo di canali per il formato ECDF. (5000 max)",
    .msgEcdfMaxFavGrp = "Numero eccessivo di gruppi favoriti per il formato ECDF. (8 max)",
    .msgEcdfMaxFavCh =
        "Numero eccessivo di canali favoriti per gruppo per il formato ECDF. (100 max)",
    .msgJstMaxSat = "Numero eccessivo di satelliti per il formato JST. (64 max)",
    .msgJstMaxTp = "Numero eccessivo di transponder per il formato JST. (2040 max)",
    .msgJstMaxTv = "Numero eccessivo di canali TV per il formato JST. (4199 max)",
    .msgJstMaxRadio = "Numero eccessivo di canali RADIO per il formato JST. (719 max)",
    .msgJstMaxFavGrp = "Numero eccessivo di gruppi favoriti per il formato JST. (16 max)",
    .txtDisclaimer1 =
        "Questo programma genera automaticamente le liste canali (settings) per ricevitori "
        "satellitari.\r\n\r\n",
    .msgCfgChanged = "La configurazione \xE8 stata modificata.\r\nUscire senza salvarla?",
    .msgCfgReplace = "La configurazione \xE8 stata modificata.\r\nAprirne un'altra senza salvarla?",
    .msgAllowedValues = "Valori ammessi:",
    .msgDbServer = "Server",
    .msgDbUser = "Utente",
    .msgDbName = "Database",
    .msgReason = "Motivo",
    .msgHintServer = "Il server \xE8 avviato, ed \xE8 questo il suo indirizzo?",
    .msgHintAccess = "Controllare l'utente e la password.",
    .msgHintDatabase = "Controllare il nome del database.",
    .msgBuiltInServer = "il server predefinito",
    .msgDownloadStopped = "Il download si \xE8 interrotto.",
    .msgSatMissing = "Satelliti selezionati che il server non ha:",
    .msgReplaceList = "Una lista scritta nello stesso minuto \xE8 gi\xE0 in questa cartella. Sostituirla?",
    .msgNoBrowser = "Impossibile avviare un browser web. La pagina \xE8:",
    .lblCancel = "Annulla",
    .lblDbTitle = "Database dei canali",
    .lblDbServer = "Server (nome host o percorso del socket)",
    .lblDbPort = "Porta",
    .lblDbPassword = "Password",
    .lblDbCompress = "Compressione",
    .lblDbCompressAuto = "Automatica (solo per un server su un altro host)",
    .lblDbCompressOn = "Sempre",
    .lblDbCompressOff = "Mai",
    .lblDbTest = "&Prova connessione",
    .lblOk = "OK",
    .lblDbDefault = "predefinito",
    .msgDbTesting = "Connessione al server in corso ...",
    .msgDbTestOk = "Connesso: versione del server %1. Satelliti nel database: %2.",
    .msgDbNoSatTable = "Connesso (versione del server %1), ma il database non ha la tabella dei satelliti.",
    .msgDbEnvSet = "Impostato dalla variabile %1, che prevale su questa impostazione.",
    .msgDbNoStore = "Nessun archivio di segreti attivo: la password non viene salvata, ma solo conservata fino alla chiusura del programma.",
    .msgDbAskPassword = "Password dell'utente %1 per il database dei canali su %2:",
});

constexpr LangStruct kFrench = withEnglish({
    .msgError = " Erreur",
    .msgWarning = "Attention",
    .msgMessage = "Message",
    .msgAppError = "Erreur d'application!",
    .msgCfgOpenErr = "Impossible d'ouvrir le fichier de configuration.",
    .msgFileOpenErr = "Incapable d'ouvrir le fichier.",
    .msgFileSaveErr = "Impossible d'enregistrer le fichier.",
    .msgMemErr = "Erreur d'attribution de m\xE9moire..",
    .msgSelectSat = "Vous devez s\xE9lectionner au moins un satellite!",
    .msgDbConnecting =
        "Connexion au serveur de base de donn\xE9" "es en cours. S'il vous pla\xEEt patienter ...",
    .msgDbReading =
        "La lecture des donn\xE9" "es du serveur de base de donn\xE9" "es. S'il vous pla\xEEt "
        "patienter ...",
    .msgDbReadErr =
        "Erreur de lecture de donn\xE9" "es \xE0 partir du serveur de base de donn\xE9" "es!",
    .msgDbReadOk =
        "Toutes les donn\xE9" "es ont \xE9t\xE9 lus correctement.\r\n"
        "Maintenant, vous pouvez enregistrer la liste dans le format que vous souhaitez.",
    .msgOldVersion =
        "C'est une vieille version de Velartis!\r\n"
        "Visiter le notre forum et t\xE9l\xE9" "charger une nouvelle version.",
    .msgCanceled = "Op\xE9ration annul\xE9" "e.",
    .msgFileWritten = "Le fichier a \xE9t\xE9 \xE9" "crit correctement.",
    .msgNdfMaxSat = "Trop nombreux satellites pour le format NDF. (61 max)",
    .msgManyChannels =
        "Cette liste contient plus de 10.000 canaux.\r\n"
        "V\xE9rifiez votre soutien STB que cette condition.",
    .lblDishPosition = " Position Parabole ",
    .lblFavAsSat = "Favoris tels que les satellites",
    .lblSatellites = " Satellites ",
    .lblNoSatSelected = " Aucun satellite s\xE9lectionn\xE9 ",
    .lblDishSetup = " Parabole Setup ",
    .lblCategories = " Cat\xE9gories ",
    .lblBouquetList = "Liste Bouquet",
    .lblListType = " Liste Type ",
    .lblBouAsSat = "Bouquet que les satellites",
    .lblBouAsCh = "Bouquet que les cha\xEEnes",
    .lblWriteFake = "Donnez canaux faux? ",
    .lblLimits = " Limites (max) ",
    .lblMaxFavGroups = "Nr. Groupes Favoris (0=Tous):",
    .lblMaxBouquets = "Nr. Bouquets (0=Tous):",
    .lblMaxTv = "Nr. Canaux Tv (0=Tous):",
    .lblMaxRadio = "Nr. Canaux Radio (0=Tous):",
    .lblWriteLog = "Donnez le fichier log? ",
    .lblFeedTp = "TP occasionnelle ou Feed",
    .lblSortBy = "Trier par:",
    .lblName = "Nom",
    .lblNation = "Nation",
    .msgAzboxMaxSat = "Trop nombreux satellites pour le format AZBox. (240 max)",
    .msgSwitchUnsupported =
        "Switch 1.0/1.1 n'est pas support\xE9. Utilisation de la port Switch 1.0",
    .msgEcdfMaxSat = "Nombre excessif de satellites pour le format ECDF. (32 max)",
    .msgEcdfMaxTp = "Nombre excessif de transpondeurs pour le ECDF format. (1000 max)",
    .msgEcdfMaxCh = "Nombre excessif de canaux pour la ECDF format. (5000 max)",
    .msgEcdfMaxFavGrp = "Nombre excessif de groupes de favoris pour le ECDF format. (8 max)",
    .msgEcdfMaxFavCh =
        "Nombre excessif de cha\xEEnes favorites par groupe pour la ECDF format. (100 max)",
    .msgJstMaxSat = "Nombre excessif de satellites pour le format JST. (64 max)",
    .msgJstMaxTp = "Nombre excessif de transpondeurs pour le JST format. (2040 max)",
    .msgJstMaxTv = "Nombre excessif de canaux TV pour la JST format. (4199 max)",
    .msgJstMaxRadio = "Nombre excessif de canaux RADIO pour la JST format. (719 max)",
    .msgJstMaxFavGrp = "Nombre excessif de groupes de favoris pour le JST format. (16 max)",
    .txtDisclaimer1 =
        "Ce programme g\xE9n\xE8re des listes de cha\xEEnes automatiquement (settings) pour les "
        "r\xE9" "cepteurs satellite.\r\n\r\n",
    .msgCfgChanged = "La configuration a chang\xE9.\r\nQuitter sans enregistrer?",
    .msgCfgReplace = "La configuration a chang\xE9.\r\nEn ouvrir une autre sans enregistrer?",
    .msgAllowedValues = "Valeurs admises :",
    .msgDbServer = "Serveur",
    .msgDbUser = "Utilisateur",
    .msgDbName = "Base de donn\xE9" "es",
    .msgReason = "Raison",
    .msgHintServer = "Le serveur est-il d\xE9marr\xE9, et est-ce bien son adresse ?",
    .msgHintAccess = "V\xE9rifiez l'utilisateur et le mot de passe.",
    .msgHintDatabase = "V\xE9rifiez le nom de la base de donn\xE9" "es.",
    .msgBuiltInServer = "le serveur pr\xE9" "d\xE9" "fini",
    .msgDownloadStopped = "Le t\xE9l\xE9" "chargement s'est arr\xEAt\xE9.",
    .msgSatMissing = "Satellites coch\xE9s que le serveur n'a pas :",
    .msgReplaceList = "Une liste \xE9" "crite dans la m\xEAme minute est d\xE9j\xE0 dans ce dossier. La remplacer ?",
    .msgNoBrowser = "Aucun navigateur web n'a pu \xEAtre lanc\xE9. La page est :",
    .lblCancel = "Annuler",
    .lblDbTitle = "Base de donn\xE9" "es des cha\xEEnes",
    .lblDbServer = "Serveur (nom d'h\xF4te ou chemin du socket)",
    .lblDbPort = "Port",
    .lblDbPassword = "Mot de passe",
    .lblDbCompress = "Compression",
    .lblDbCompressAuto = "Automatique (seulement pour un serveur sur un autre h\xF4te)",
    .lblDbCompressOn = "Toujours",
    .lblDbCompressOff = "Jamais",
    .lblDbTest = "&Tester la connexion",
    .lblOk = "OK",
    .lblDbDefault = "par d\xE9" "faut",
    .msgDbTesting = "Connexion au serveur en cours ...",
    .msgDbTestOk = "Connect\xE9 : version du serveur %1. Satellites dans la base : %2.",
    .msgDbNoSatTable = "Connect\xE9 (version du serveur %1), mais la base n'a pas de table des satellites.",
    .msgDbEnvSet = "D\xE9" "fini par la variable %1, qui l'emporte sur ce r\xE9glage.",
    .msgDbNoStore = "Aucun coffre \xE0 secrets n'est actif : le mot de passe n'est pas enregistr\xE9, seulement gard\xE9 jusqu'\xE0 la fin du programme.",
    .msgDbAskPassword = "Mot de passe de l'utilisateur %1 pour la base des cha\xEEnes sur %2 :",
});

constexpr LangStruct kGerman = withEnglish({
    .msgError = " Fehler",
    .msgWarning = "Warnung",
    .msgMessage = "Nachricht",
    .msgCfgOpenErr = "Kann Konfigurationsdatei zu \xF6" "ffnen.",
    .msgFileOpenErr = "Unf\xE4hig, akte zu \xF6" "ffnen.",
    .msgFileSaveErr = "Kann Datei zu speichern.",
    .msgMemErr = "Ged\xE4" "chtniszuweisungsfehler.",
    .msgSelectSat = "Sie m\xFCssen mindestens einen Satelliten!",
    .msgDbConnecting = "Anschluss an den Datenbank-Server l\xE4uft. Bitte warten ...",
    .msgDbReading = "Das Einlesen von Daten aus dem Datenbank-Server. Bitte warten ...",
    .msgDbReadErr = "Fehler beim Lesen der Daten aus der Datenbank-Server!",
    .msgDbReadOk =
        "Alle Daten wurden korrekt lesen.\r\n"
        "Jetzt k\xF6nnen Sie die Liste in das gew\xFCnschte Format.",
    .msgOldVersion =
        "Dies ist eine alte Version von Velartis!\r\n"
        "Besuch Sie unser Forum und l\xE4" "dt eine neue Version.",
    .msgCanceled = "Operation abgesagt.",
    .msgFileWritten = "Die Datei wurde korrekt geschrieben.",
    .msgNdfMaxSat = "Zu viele Satelliten f\xFCr NDF-Format. (61 max)",
    .msgManyChannels =
        "Diese Liste enth\xE4lt mehr als 10.000 Kan\xE4len.\r\n"
        "\xDC" "berpr\xFC" "fen Sie Ihre STB unterst\xFCtzt Da\xDF diese Bedingung.",
    .lblFavAsSat = "Favoriten wie Satelliten",
    .lblNoSatSelected = " Kein Satellit ausgew\xE4hlt ",
    .lblDishSetup = " Parable Setup ",
    .lblCategories = " Kategorien ",
    .lblBouquetList = "List Bouquet",
    .lblBouAsSat = "Bouquet als Satelliten",
    .lblBouAsCh = "Bouquet als Kan\xE4le",
    .lblWriteFake = "Beitrag Fake-Kan\xE4le? ",
    .lblMaxFavGroups = "Nr. Favoriten Gruppen (0=Alle):",
    .lblMaxBouquets = "Nr. Bouquets (0=Alle):",
    .lblMaxTv = "Nr. TV-Kan\xE4le (0=Alle):",
    .lblMaxRadio = "Nr. Funkkan\xE4le (0=Alle):",
    .lblWriteLog = "Beitrag Log-Datei? ",
    .lblFeedTp = "TP gelegentliche oder Feed",
    .lblSortBy = "Sortieren nach:",
    .lblName = "Name",
    .lblNation = "Nation",
    .msgAzboxMaxSat = "Zu viele Satelliten f\xFCr AZBox-Format. (240 max)",
    .msgSwitchUnsupported =
        "Switch 1.0/1.1 wird nicht unterst\xFCtzt. Will Verwenden Sie den Schalter 1.0-Anschluss.",
    .msgEcdfMaxSat = "\xDC" "berm\xE4\xDFige Zahl von Satelliten f\xFCr ECDF Format. (32 max)",
    .msgEcdfMaxTp =
        "\xDC" "berm\xE4\xDFige Anzahl von Transpondern f\xFCr das Format ECDF. (1000 max)",
    .msgEcdfMaxCh =
        "\xDC" "berm\xE4\xDFige Anzahl von Kan\xE4len f\xFCr das Format ECDF. (5000 max)",
    .msgEcdfMaxFavGrp =
        "\xDC" "berm\xE4\xDFige Anzahl der Favoriten-Gruppen f\xFCr das Format ECDF. (8 max)",
    .msgEcdfMaxFavCh =
        "\xDC" "berm\xE4\xDFige Anzahl der Favoriten-Kan\xE4le je Gruppe f\xFCr das Format ECDF. "
        "(100 max)",
    .msgJstMaxSat = "\xDC" "berm\xE4\xDFige Zahl von Satelliten f\xFCr JST Format. (64 max)",
    .msgJstMaxTp =
        "\xDC" "berm\xE4\xDFige Anzahl von Transpondern f\xFCr das Format JST. (2040 max)",
    .msgJstMaxTv =
        "\xDC" "berm\xE4\xDFige Anzahl von Kan\xE4len TV f\xFCr das Format JST. (4199 max)",
    .msgJstMaxRadio =
        "\xDC" "berm\xE4\xDFige Anzahl von Kan\xE4len RADIO f\xFCr das Format JST. (719 max)",
    .msgJstMaxFavGrp =
        "\xDC" "berm\xE4\xDFige Anzahl der Favoriten-Gruppen f\xFCr das Format JST. (16 max)",
    .txtDisclaimer1 =
        "Dieses Programm erzeugt Listen automatisch Kan\xE4le (Settings) f\xFCr den "
        "Satelliten-Receiver.\r\n\r\n",
    .msgCfgChanged = "Die Konfiguration hat sich ge\xE4ndert.\r\nBeenden ohne zu speichern?",
    .msgCfgReplace =
        "Die Konfiguration hat sich ge\xE4ndert.\r\nEine andere \xF6" "ffnen ohne zu speichern?",
    .msgAllowedValues = "Erlaubte Werte:",
    .msgDbServer = "Server",
    .msgDbUser = "Benutzer",
    .msgDbName = "Datenbank",
    .msgReason = "Grund",
    .msgHintServer = "L\xE4uft der Server, und ist das seine Adresse?",
    .msgHintAccess = "Benutzer und Passwort pr\xFC" "fen.",
    .msgHintDatabase = "Den Namen der Datenbank pr\xFC" "fen.",
    .msgBuiltInServer = "der eingebaute Server",
    .msgDownloadStopped = "Der Download wurde abgebrochen.",
    .msgSatMissing = "Ausgew\xE4hlte Satelliten, die der Server nicht hat:",
    .msgReplaceList = "Eine in derselben Minute geschriebene Liste ist schon in diesem Ordner. Ersetzen?",
    .msgNoBrowser = "Es konnte kein Webbrowser gestartet werden. Die Seite ist:",
    .lblCancel = "Abbrechen",
    .lblDbTitle = "Kanaldatenbank",
    .lblDbServer = "Server (Hostname oder Socket-Pfad)",
    .lblDbPort = "Port",
    .lblDbPassword = "Passwort",
    .lblDbCompress = "Kompression",
    .lblDbCompressAuto = "Automatisch (nur f\xFCr einen Server auf einem anderen Host)",
    .lblDbCompressOn = "Immer",
    .lblDbCompressOff = "Nie",
    .lblDbTest = "Verbindung &testen",
    .lblOk = "OK",
    .lblDbDefault = "Standard",
    .msgDbTesting = "Verbindung zum Server wird aufgebaut ...",
    .msgDbTestOk = "Verbunden: Serverversion %1. Satelliten in der Datenbank: %2.",
    .msgDbNoSatTable = "Verbunden (Serverversion %1), aber die Datenbank hat keine Satellitentabelle.",
    .msgDbEnvSet = "Durch die Variable %1 gesetzt, die Vorrang vor dieser Einstellung hat.",
    .msgDbNoStore = "Kein Passwortspeicher l\xE4uft: Das Passwort wird nicht gespeichert, nur bis zum Programmende behalten.",
    .msgDbAskPassword = "Passwort des Benutzers %1 f\xFCr die Kanaldatenbank auf %2:",
});

constexpr LangStruct kSpanish = withEnglish({
    .msgError = " Error",
    .msgWarning = "Advertencia",
    .msgMessage = "Mensaje",
    .msgAppError = "Error de la aplicaci\xF3n!",
    .msgCfgOpenErr = "No se puede abrir archivos de configuraci\xF3n.",
    .msgFileOpenErr = "No se pudo abrir el archivo.",
    .msgFileSaveErr = "No es posible guardar archivos.",
    .msgMemErr = "Error de asignaci\xF3n de memoria.",
    .msgSelectSat = "Debe seleccionar al menos un sat\xE9lite!",
    .msgDbConnecting =
        "Conexi\xF3n con el servidor de base de datos en curso. Espere por favor ...",
    .msgDbReading = "Lectura de datos desde el servidor de base de datos. Espere por favor ...",
    .msgDbReadErr = "Error al leer datos desde el servidor de base de datos!",
    .msgDbReadOk =
        "Todos los datos se leen correctamente.\r\n"
        "Ahora usted puede guardar la lista en el formato deseado.",
    .msgOldVersion =
        "Esta es una versi\xF3n antigua de Velartis!\r\n"
        "Visitar nuestro Foro y descargar una nueva versi\xF3n.",
    .msgCanceled = "Operaci\xF3n cancelada.",
    .msgFileWritten = "El archivo ha sido escrito correctamente.",
    .msgNdfMaxSat = "Demasiado muchos sat\xE9lites para el formato de la NDF. (61 m\xE1ximo)",
    .msgManyChannels =
        "Esta lista contiene m\xE1s de 10.000 canales.\r\n"
        "Revise su Apoya STB que esta condici\xF3n.",
    .lblDishPosition = " Posici\xF3n de Par\xE1" "bola ",
    .lblFavAsSat = "Favoritos como los sat\xE9lites",
    .lblSatellites = " Sat\xE9lites ",
    .lblNoSatSelected = " No sat\xE9lite seleccionado ",
    .lblDishSetup = " Par\xE1" "bola Setup ",
    .lblCategories = " Categor\xED" "as ",
    .lblBouquetList = "Lista de Bouquet",
    .lblSideBouquet = "Bouquet Lado",
    .lblListType = " Tipo de lista ",
    .lblBouAsSat = "Bouquet como sat\xE9lites",
    .lblBouAsCh = "Bouquet como Canales",
    .lblWriteFake = "Escribe canales falso? ",
    .lblLimits = " L\xEDmites (max) ",
    .lblMaxFavGroups = "Nr. Grupos Favoritos (0=Todos):",
    .lblMaxBouquets = "Nr. Bouquets (0=Todos):",
    .lblMaxTv = "Nr. canales Tv (0=Todos):",
    .lblMaxRadio = "Nr. canales Radio (0=Todos):",
    .lblWriteLog = "Escribe el Log File? ",
    .lblFeedTp = "TP ocasionales o Feed",
    .lblSortBy = "Ordenar por:",
    .lblName = "Nombre",
    .lblNation = "Naci\xF3n",
    .msgAzboxMaxSat = "Demasiado muchos sat\xE9lites para el formato de la AZBox. (240 m\xE1ximo)",
    .msgSwitchUnsupported = "Switch de 1.0/1.1 no es compatible. Se usar\xE1 el port de Switch 1.0",
    .msgEcdfMaxSat = "Excesivo n\xFAmero de sat\xE9lites para el formato ECDF. (32 m\xE1ximo)",
    .msgEcdfMaxTp = "Excesivo n\xFAmero de transpondedores para el formato ECDF. (1000 max)",
    .msgEcdfMaxCh = "Excesivo n\xFAmero de canales para el formato ECDF. (5000 max)",
    .msgEcdfMaxFavGrp = "Excesivo n\xFAmero de grupos de favoritos para el formato ECDF. (8 max)",
    .msgEcdfMaxFavCh =
        "Excesivo n\xFAmero de canales favoritos por grupo para el formato ECDF. (100 max)",
    .msgJstMaxSat = "Excesivo n\xFAmero de sat\xE9lites para el formato JST. (64 m\xE1ximo)",
    .msgJstMaxTp = "Excesivo n\xFAmero de transpondedores para el formato JST. (2040 max)",
    .msgJstMaxTv = "Excesivo n\xFAmero de canales TV para el formato JST. (4199 max)",
    .msgJstMaxRadio = "Excesivo n\xFAmero de canales RADIO para el formato JST. (719 max)",
    .msgJstMaxFavGrp = "Excesivo n\xFAmero de grupos de favoritos para el formato JST. (16 max)",
    .txtDisclaimer1 =
        "Este programa genera autom\xE1ticamente listas de canales (settings) para los receptores "
        "de sat\xE9lite.\r\n\r\n",
    .msgCfgChanged = "La configuraci\xF3n ha cambiado.\r\nSalir sin guardar?",
    .msgCfgReplace = "La configuraci\xF3n ha cambiado.\r\nAbrir otra sin guardar?",
    .msgAllowedValues = "Valores permitidos:",
    .msgDbServer = "Servidor",
    .msgDbUser = "Usuario",
    .msgDbName = "Base de datos",
    .msgReason = "Motivo",
    .msgHintServer = "\xBF" "Est\xE1 el servidor en marcha y es \xE9sta su direcci\xF3n?",
    .msgHintAccess = "Compruebe el usuario y la contrase\xF1" "a.",
    .msgHintDatabase = "Compruebe el nombre de la base de datos.",
    .msgBuiltInServer = "el servidor predefinido",
    .msgDownloadStopped = "La descarga se ha detenido.",
    .msgSatMissing = "Sat\xE9lites marcados que el servidor no tiene:",
    .msgReplaceList = "Ya hay en esta carpeta una lista escrita en el mismo minuto. \xBFReemplazarla?",
    .msgNoBrowser = "No se pudo iniciar ning\xFAn navegador web. La p\xE1gina es:",
    .lblCancel = "Cancelar",
    .lblDbTitle = "Base de datos de canales",
    .lblDbServer = "Servidor (nombre de host o ruta del socket)",
    .lblDbPort = "Puerto",
    .lblDbPassword = "Contrase\xF1" "a",
    .lblDbCompress = "Compresi\xF3n",
    .lblDbCompressAuto = "Autom\xE1tica (solo para un servidor en otro host)",
    .lblDbCompressOn = "Siempre",
    .lblDbCompressOff = "Nunca",
    .lblDbTest = "&Probar conexi\xF3n",
    .lblOk = "Aceptar",
    .lblDbDefault = "predeterminado",
    .msgDbTesting = "Conectando con el servidor ...",
    .msgDbTestOk = "Conectado: versi\xF3n del servidor %1. Sat\xE9lites en la base de datos: %2.",
    .msgDbNoSatTable = "Conectado (versi\xF3n del servidor %1), pero la base de datos no tiene tabla de sat\xE9lites.",
    .msgDbEnvSet = "Fijado por la variable %1, que tiene prioridad sobre este ajuste.",
    .msgDbNoStore = "No hay ning\xFAn almac\xE9n de secretos activo: la contrase\xF1" "a no se guarda, solo se conserva hasta que termine el programa.",
    .msgDbAskPassword = "Contrase\xF1" "a del usuario %1 para la base de datos de canales en %2:",
});
// clang-format on
#pragma GCC diagnostic pop
const LangStruct* const kTables[] = {&kItalian, &kEnglish, &kFrench, &kGerman, &kSpanish};
constexpr int kLangCount = sizeof(kTables) / sizeof(kTables[0]);

}  // namespace

const LangStruct* langTable(int lang) {
    if (lang < kLangItalian || lang > kLangSpanish) return nullptr;
    return kTables[lang - kLangItalian];
}

int setLang(LangStruct* table, int lang) {
    const LangStruct* src = langTable(lang);
    if (!src) return 1;
    // Whole-record copy: every field is replaced, even texts that are the
    // same in the old and the new language.
    if (table) *table = *src;
    return 1;
}
