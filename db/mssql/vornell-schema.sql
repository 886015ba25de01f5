-- Vornell: reference schema for a plant's SQL Server.
--
-- The tables, the function and the procedure the label print station uses,
-- with the behaviour of the station's embedded database. Run it in the
-- database the station's connection names, with a login that may create
-- objects; running it again changes nothing but the function and the
-- procedure, which it makes anew. The server tests run it on a
-- SQL Server-compatible test server, twice.

SET ANSI_NULLS ON;
SET QUOTED_IDENTIFIER ON;
GO

IF OBJECT_ID(N'dbo.PrintLabel', N'U') IS NULL
CREATE TABLE dbo.PrintLabel (
    Iden_id    int IDENTITY(1,1) NOT NULL PRIMARY KEY,
    CreateTime datetime     NULL DEFAULT (getdate()),
    LabelSize  varchar(20)  NULL,
    TitleText  varchar(20)  NULL,
    LabelText  varchar(50)  NULL,
    Barcode    varchar(50)  NULL,
    PrintFlag  smallint     NULL,
    PrintTime  datetime     NULL
);
GO

-- Looked for by its key columns, not its name: a server may keep index names
-- of its own in sys.indexes (Babelfish does), and a site may have named it
-- otherwise.
IF NOT EXISTS (
    SELECT ic.index_id
    FROM sys.index_columns ic
    JOIN sys.columns c ON c.object_id = ic.object_id AND c.column_id = ic.column_id
    WHERE ic.object_id = OBJECT_ID(N'dbo.PrintLabel')
      AND ((ic.key_ordinal = 1 AND c.name = N'LabelSize')
        OR (ic.key_ordinal = 2 AND c.name = N'PrintFlag')
        OR (ic.key_ordinal = 3 AND c.name = N'CreateTime'))
    GROUP BY ic.index_id
    HAVING COUNT(*) = 3)
CREATE INDEX PrintLabel_ToPrint ON dbo.PrintLabel (LabelSize, PrintFlag, CreateTime);
GO

IF OBJECT_ID(N'dbo.DeviceICRelOrder', N'U') IS NULL
CREATE TABLE dbo.DeviceICRelOrder (
    Iden_id    int IDENTITY(1,1) NOT NULL PRIMARY KEY,
    Datime     datetime      NULL,
    ICType     varchar(20)   NULL,
    TypeDesc   varchar(100)  NULL,
    ICVer      varchar(20)   NULL,
    VerDesc    varchar(100)  NULL,
    Amount     int           NULL,
    Remark     varchar(100)  NULL,
    FullSNFrom varchar(20)   NULL,
    FullSNTo   varchar(20)   NULL,
    HeadFlag   varchar(3)    NULL,
    Flag       char(1)       NULL
);
GO

IF OBJECT_ID(N'dbo.DeviceICType', N'U') IS NULL
CREATE TABLE dbo.DeviceICType (
    ICType    varchar(20)  NOT NULL PRIMARY KEY,
    TypeDesc  varchar(100) NULL,
    LastVer   varchar(20)  NULL,
    ICModel   varchar(20)  NULL,
    HeadFlag  varchar(3)   NULL,
    LabelSize varchar(20)  NULL,
    LastSN    int          NOT NULL DEFAULT (0),
    IsActive  char(1)      NOT NULL DEFAULT ('1')
);
GO

-- inttohex(n, width, flag): n in upper-case hexadecimal, zero-padded to width
-- digits (never cut). A negative n is written as its 32-bit two's complement.
-- flag is kept for the callers' argument list and not used.
IF OBJECT_ID(N'dbo.inttohex', N'FN') IS NOT NULL
    DROP FUNCTION dbo.inttohex;
GO
CREATE FUNCTION dbo.inttohex (@n bigint, @width int, @flag int)
RETURNS varchar(64)
AS
BEGIN
    IF @n IS NULL
        RETURN NULL;
    DECLARE @v bigint = CASE WHEN @n < 0 THEN (@n % 4294967296) + 4294967296 ELSE @n END;
    DECLARE @hex varchar(64) = '';
    WHILE 1 = 1
    BEGIN
        SET @hex = SUBSTRING('0123456789ABCDEF', CAST(@v % 16 AS int) + 1, 1) + @hex;
        SET @v = @v / 16;
        IF @v = 0 BREAK;
    END;
    IF @width > 64 SET @width = 64;
    IF LEN(@hex) < @width
        SET @hex = REPLICATE('0', @width - LEN(@hex)) + @hex;
    RETURN @hex;
END;
GO

-- sp_CreateDeviceICRel: gives every new order (Flag '0') of a known chip type,
-- oldest first, the next Amount serial numbers of its chip type, HeadFlag
-- followed by the number as six hexadecimal digits; adds one unprinted
-- PrintLabel row per serial (label size of the chip type, title the chip
-- type, label text and barcode the serial); moves the chip type's LastSN past
-- the range and sets the order's Flag to '1'. An order without a positive
-- Amount is marked done without serials. An order whose range would pass
-- FFFFFF, or whose chip type's HeadFlag is not exactly two characters, stays
-- new and gets nothing: the barcode is characters 3 to 8 of the serial, so a
-- seventh digit or a HeadFlag of another length would repeat an earlier
-- serial's barcode. All in one transaction.
--
-- Runs at the same moment (two managers closing their order dialogs on two
-- stations) are safe: each run first takes an exclusive application lock,
-- held until its transaction ends, so runs follow one another and each reads
-- the new orders only once the one before has committed; each order's Flag is
-- read again under UPDLOCK, HOLDLOCK before it gets serials, and the chip
-- type's row is read under UPDLOCK, HOLDLOCK, so a program that changes an
-- order or a LastSN outside this procedure waits for the run too. What this
-- guarantees: an order gets at most one serial range, ever; no serial is given
-- twice; LastSN only moves forward, by exactly the serials given. A run that
-- cannot have the lock within 30 seconds changes nothing and raises an error.
IF OBJECT_ID(N'dbo.sp_CreateDeviceICRel', N'P') IS NOT NULL
    DROP PROCEDURE dbo.sp_CreateDeviceICRel;
GO
CREATE PROCEDURE dbo.sp_CreateDeviceICRel
AS
BEGIN
    SET NOCOUNT ON;
    SET XACT_ABORT ON;

    DECLARE @order int, @type varchar(20), @amount int;
    DECLARE @head varchar(3), @last int, @size varchar(20), @n int;
    DECLARE @flag varchar(1), @lock int;

    BEGIN TRANSACTION;

    EXEC @lock = sp_getapplock @Resource = N'Vornell.sp_CreateDeviceICRel',
                               @LockMode = N'Exclusive', @LockOwner = N'Transaction',
                               @LockTimeout = 30000;
    IF @lock < 0
    BEGIN
        ROLLBACK TRANSACTION;
        RAISERROR(N'sp_CreateDeviceICRel: another run is still giving serials; try again.', 16, 1);
        RETURN;
    END;

    DECLARE pending CURSOR LOCAL FAST_FORWARD FOR
        SELECT o.Iden_id, o.ICType, ISNULL(o.Amount, 0)
        FROM dbo.DeviceICRelOrder o
        WHERE o.Flag = '0' AND o.ICType IN (SELECT ICType FROM dbo.DeviceICType)
        ORDER BY o.Iden_id;
    OPEN pending;
    FETCH NEXT FROM pending INTO @order, @type, @amount;
    WHILE @@FETCH_STATUS = 0
    BEGIN
        -- The order as it is now, locked to the commit: one that is done or
        -- gone since the list was read is left alone.
        SELECT @flag = NULL, @head = NULL, @last = NULL, @size = NULL;
        SELECT @flag = Flag, @type = ICType, @amount = ISNULL(Amount, 0)
        FROM dbo.DeviceICRelOrder WITH (UPDLOCK, HOLDLOCK)
        WHERE Iden_id = @order;

        IF @flag = '0' AND @amount < 1
            UPDATE dbo.DeviceICRelOrder SET Flag = '1' WHERE Iden_id = @order;
        ELSE IF @flag = '0'
        BEGIN
            -- No row (a chip type renamed meanwhile) leaves @head and @last
            -- NULL: the order stays new.
            SELECT @head = ISNULL(HeadFlag, ''), @last = LastSN, @size = LabelSize
            FROM dbo.DeviceICType WITH (UPDLOCK, HOLDLOCK)
            WHERE ICType = @type;

            -- LEN ignores trailing blanks; the '.' makes them count.
            IF LEN(@head + '.') = 3
               AND @last >= 0 AND CAST(@last AS bigint) + @amount <= 16777215
            BEGIN
                SET @n = @last + 1;
                WHILE @n <= @last + @amount
                BEGIN
                    INSERT INTO dbo.PrintLabel (CreateTime, LabelSize, TitleText, LabelText, Barcode, PrintFlag)
                    VALUES (getdate(), @size, @type, @head + dbo.inttohex(@n, 6, 0),
                            @head + dbo.inttohex(@n, 6, 0), 0);
                    SET @n = @n + 1;
                END;

                UPDATE dbo.DeviceICType SET LastSN = @last + @amount WHERE ICType = @type;
                UPDATE dbo.DeviceICRelOrder
                SET FullSNFrom = @head + dbo.inttohex(@last + 1, 6, 0),
                    FullSNTo   = @head + dbo.inttohex(@last + @amount, 6, 0),
                    HeadFlag   = @head,
                    Flag       = '1'
                WHERE Iden_id = @order;
            END;
        END;
        FETCH NEXT FROM pending INTO @order, @type, @amount;
    END;
    CLOSE pending;
    DEALLOCATE pending;

    COMMIT TRANSACTION;
END;
GO

-- Claims of label records: a station takes the records of a strip here, with
-- one short statement, before the strip goes out; a record with a row here is
-- printed by no other station. State 'claimed': a station is printing it now;
-- 'held': nobody knows whether its label came out (a printer fault, a station
-- that stopped with the strip in flight), so it waits for a person's decision
-- at any station. The marks and the release of a strip that came out are one
-- transaction. PrintLabel itself is not changed. A station that finds this
-- table missing prints nothing and says so.
IF OBJECT_ID(N'dbo.VornellClaim', N'U') IS NULL
CREATE TABLE dbo.VornellClaim (
    Iden_id int           NOT NULL PRIMARY KEY,
    Station nvarchar(200) NOT NULL,
    State   varchar(10)   NOT NULL,
    Since   datetime      NOT NULL,
    Strip   varchar(40)   NOT NULL,
    Reason  nvarchar(400) NULL
);
GO
